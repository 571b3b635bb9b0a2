// Feeds arbitrary bytes, as a host or an editor would send them, to the frame reader and every
// message's decoder. Whatever decodes must encode to a text that decodes to the same encoding:
// nothing a peer sends can make the reader crash, hang or keep something it cannot say again.

#include "plugins/unHostMessage.h"
#include "plugins/unHostProtocol.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

template <typename TMessage> void Check(const std::string& payload, const char* kind) {
  TMessageReader reader(payload);
  TMessage message;
  if (!Decode(reader, message))
    return;
  const std::string once = Encode(message).Payload();
  TMessageReader again(once);
  TMessage second;
  if (!Decode(again, second) || Encode(second).Payload() != once) {
    std::fprintf(stderr, "a %s message does not come back as it was written\n", kind);
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // The stream arrives in two pieces, split where its first byte says.
  const std::size_t split = size ? data[0] % (size + 1) : 0;
  TFrameBuffer frames;
  frames.Append(bytes.data(), split);
  frames.Append(bytes.data() + split, size - split);
  std::string payload;
  while (frames.Next(payload)) {
    (void)RefusedHello(payload);
    Check<THelloMessage>(payload, "hello");
    Check<TStopMessage>(payload, "stop");
    Check<TRateMessage>(payload, "rate");
    Check<TReadyMessage>(payload, "ready");
    Check<TValuesMessage>(payload, "values");
    Check<TRowMessage>(payload, "row");
    Check<TErrorMessage>(payload, "error");
    Check<TEndMessage>(payload, "end");
    Check<TControlMessage>(payload, "control");
    Check<TPausedMessage>(payload, "paused");
    Check<TStatsMessage>(payload, "stats");
    Check<TComponentAnswer>(payload, "described");
    Check<TRunPlan>(payload, "plan");
  }
  return 0;
}
