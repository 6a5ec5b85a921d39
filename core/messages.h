// How the numerical core speaks to the user: it shows nothing itself, it hands
// each message to a sink that the caller supplies.
#pragma once

#include <string>

namespace varnel {

enum class BoxKind { Error, Warning, Information, Confirmation };

// Line break inside message texts: line feed then carriage return.
inline constexpr const char* MsgBreak = "\n\r";

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows a modal box with one OK button and returns when it is closed.
  virtual void ShowMessage(BoxKind kind, const std::string& text) = 0;
};

// A sink that drops every message, for callers that report failures themselves.
class SilentSink final : public MessageSink {
 public:
  void ShowMessage(BoxKind, const std::string&) override {}
};

}  // namespace varnel
