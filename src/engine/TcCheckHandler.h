#pragma once
// The state of one compatibility check run: whether a problem was found, and what to do with
// each problem (log line, status light, question box, stop or go on).

#include <string>
#include <vector>

#include "engine/CheckConflict.h"

namespace kova {

class TextSink;

class TcCheckHandler {
 public:
  bool GbIncompatible() const { return incompatible_; }
  // Stores the settings and clears the incompatible flag. `log` receives one line per problem
  // (nullptr for none); bUpdatePic turns the status light red on a problem; bMessage shows each
  // problem in an OK/Cancel box; bFullCheck goes on after a problem instead of stopping.
  void GInit(TextSink* log, bool bUpdatePic, bool bMessage, bool bFullCheck);
  // Reports one problem; true when the check must stop.
  bool GIsAbortAfterCheck(const std::string& sInfoMsg);
  // Whether the text of a problem goes anywhere (a log or a question box); when it does not,
  // the evaluation spares itself composing it.
  bool GbNeedsText() const { return log_ != nullptr || bMessage_; }
  // Where the evaluation appends a record of each problem it reports (nullptr, the default: no
  // records). GInit leaves it as it is.
  void GCollect(std::vector<CheckConflict>* conflicts) { conflicts_ = conflicts; }
  std::vector<CheckConflict>* GxConflicts() const { return conflicts_; }

 private:
  bool incompatible_ = false;
  TextSink* log_ = nullptr;
  bool bUpdatePic_ = false;
  bool bMessage_ = false;
  bool bFullCheck_ = false;
  std::vector<CheckConflict>* conflicts_ = nullptr;
};

}  // namespace kova
