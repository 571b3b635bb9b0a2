#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Messages between the editor and a component host: a frame is a 32-bit length (little endian)
// followed by that many bytes; a message is a kind byte followed by fields. Every field read is
// checked against what is left, so a broken or hostile answer gives a failed reader, never a
// read outside the bytes.

// The kinds of the messages, defined with the messages themselves.
enum class THostKind : char;

// The largest frame either side accepts.
inline constexpr std::uint32_t MaxFrameBytes = 64u << 20;

// Builds one message.
class TMessageWriter {
public:
  explicit TMessageWriter(char kind) { Bytes.push_back(kind); }
  explicit TMessageWriter(THostKind kind) : TMessageWriter(static_cast<char>(kind)) {}
  TMessageWriter& U8(std::uint8_t value);
  TMessageWriter& I32(std::int32_t value);
  TMessageWriter& I64(std::int64_t value);
  TMessageWriter& Text(std::string_view text);
  // The message as a frame, ready to be written.
  std::string Frame() const;
  const std::string& Payload() const { return Bytes; }

private:
  std::string Bytes;
};

// Reads the fields of one message (a copy of it is kept); after the first field that does not fit,
// Ok() is false and every further read gives zero or empty.
class TMessageReader {
public:
  explicit TMessageReader(std::string payload);
  char Kind() const { return KindByte; }
  THostKind HostKind() const { return static_cast<THostKind>(KindByte); }
  std::uint8_t U8();
  std::int32_t I32();
  std::int64_t I64();
  std::string Text();
  // A count of items, each at least minBytes long: larger than what is left fails the reader.
  std::uint32_t Count(std::size_t minBytes = 1);
  bool Ok() const { return Good; }
  bool AtEnd() const { return Pos == Data.size(); }

private:
  bool Take(std::size_t n);
  std::string Data;
  std::size_t Pos = 0;
  char KindByte = 0;
  bool Good = true;
};

// Collects bytes read from a stream and hands out the whole frames among them.
class TFrameBuffer {
public:
  void Append(const char* data, std::size_t size) { Pending.append(data, size); }
  // Moves the next whole frame's payload into payload; false when none is complete yet or the
  // stream is broken (Broken() tells).
  bool Next(std::string& payload);
  // A frame announced a length above MaxFrameBytes: nothing more can be read from the stream.
  bool Broken() const { return Bad; }
  bool Empty() const { return Pending.size() == Start; }

private:
  std::string Pending;
  std::size_t Start = 0;
  bool Bad = false;
};

// Writes all the bytes to the descriptor, waiting while it is full; false when it is closed (a
// socket whose other end is gone raises no SIGPIPE).
bool WriteAll(int fd, std::string_view bytes);
