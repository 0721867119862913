#include "engine/TcCheckHandler.h"

#include "tools/PlatformPort.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"

namespace kova {

void TcCheckHandler::GInit(TextSink* log, bool bUpdatePic, bool bMessage, bool bFullCheck) {
  log_ = log;
  bUpdatePic_ = bUpdatePic;
  bMessage_ = bMessage;
  bFullCheck_ = bFullCheck;
  incompatible_ = false;
}

bool TcCheckHandler::GIsAbortAfterCheck(const std::string& sInfoMsg) {
  incompatible_ = true;
  if (bUpdatePic_) TL_Port().setStatusLight(3);
  if (log_) log_->Line(sInfoMsg);
  if (bMessage_ && TL_AskOkCancel(sInfoMsg, kAppTitle) == kCancel) return true;
  return !bFullCheck_;
}

}  // namespace kova
