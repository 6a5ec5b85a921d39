// A message sink for tests: records every box it is asked to show.
#pragma once

#include <string>
#include <vector>

#include "core/messages.h"

namespace varnel::test {

struct RecordingSink : MessageSink {
  struct Box {
    BoxKind kind;
    std::string text;
  };
  void ShowMessage(BoxKind kind, const std::string& text) override { boxes.push_back({kind, text}); }
  std::vector<Box> boxes;
};

}  // namespace varnel::test
