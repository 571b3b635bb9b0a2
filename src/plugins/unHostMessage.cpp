#include "plugins/unHostMessage.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void PutLe(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

std::uint64_t GetLe(std::string_view data, std::size_t pos, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i)
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[pos + i])) << (8 * i);
  return value;
}

} // namespace

TMessageWriter& TMessageWriter::U8(std::uint8_t value) {
  Bytes.push_back(static_cast<char>(value));
  return *this;
}

TMessageWriter& TMessageWriter::I32(std::int32_t value) {
  PutLe(Bytes, static_cast<std::uint32_t>(value), 4);
  return *this;
}

TMessageWriter& TMessageWriter::I64(std::int64_t value) {
  PutLe(Bytes, static_cast<std::uint64_t>(value), 8);
  return *this;
}

TMessageWriter& TMessageWriter::Text(std::string_view text) {
  PutLe(Bytes, text.size(), 4);
  Bytes.append(text);
  return *this;
}

std::string TMessageWriter::Frame() const {
  std::string frame;
  frame.reserve(4 + Bytes.size());
  PutLe(frame, Bytes.size(), 4);
  frame += Bytes;
  return frame;
}

TMessageReader::TMessageReader(std::string payload) : Data(std::move(payload)) {
  if (Take(1))
    KindByte = Data[0];
}

bool TMessageReader::Take(std::size_t n) {
  if (!Good || Data.size() - Pos < n) {
    Good = false;
    return false;
  }
  Pos += n;
  return true;
}

std::uint8_t TMessageReader::U8() {
  return Take(1) ? static_cast<std::uint8_t>(Data[Pos - 1]) : 0;
}

std::int32_t TMessageReader::I32() {
  return Take(4) ? static_cast<std::int32_t>(GetLe(Data, Pos - 4, 4)) : 0;
}

std::int64_t TMessageReader::I64() {
  return Take(8) ? static_cast<std::int64_t>(GetLe(Data, Pos - 8, 8)) : 0;
}

std::string TMessageReader::Text() {
  if (!Take(4))
    return {};
  const std::size_t size = GetLe(Data, Pos - 4, 4);
  if (!Take(size))
    return {};
  return Data.substr(Pos - size, size);
}

std::uint32_t TMessageReader::Count(std::size_t minBytes) {
  const std::uint32_t n = static_cast<std::uint32_t>(I32());
  if (Good &&
      static_cast<std::uint64_t>(n) * std::max<std::size_t>(minBytes, 1) > Data.size() - Pos)
    Good = false;
  return Good ? n : 0;
}

bool TFrameBuffer::Next(std::string& payload) {
  if (Bad || Pending.size() - Start < 4)
    return false;
  const std::uint64_t size = GetLe(Pending, Start, 4);
  if (size > MaxFrameBytes) {
    Bad = true;
    return false;
  }
  if (Pending.size() - Start - 4 < size)
    return false;
  payload.assign(Pending, Start + 4, size);
  Start += 4 + size;
  // Drop what was handed out once it is the larger part.
  if (Start > 4096 && Start * 2 > Pending.size()) {
    Pending.erase(0, Start);
    Start = 0;
  }
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  // A socket whose other end is gone must not raise SIGPIPE: that would end this process.
  bool socket = true;
  while (!bytes.empty()) {
    ssize_t n = socket ? send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) : -1;
    if (socket && n < 0 && errno == ENOTSOCK)
      socket = false;
    if (!socket)
      n = write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, 100);
      continue;
    }
    return false;
  }
  return true;
}
