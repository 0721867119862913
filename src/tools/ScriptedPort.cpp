#include "tools/ScriptedPort.h"

#include <algorithm>

#include "tools/Tools.h"

namespace kova {

int ScriptedPort::messageBox(const std::string& text, const std::string& title, MsgKind kind) {
  int answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  } else {
    answer = kind == MsgKind::Info ? kOk : kCancel;
  }
  messages.push_back({text, title, kind, answer});
  return answer;
}

bool ScriptedPort::inputBox(const std::string& prompt, const std::string& title, std::string& value) {
  messages.push_back({prompt, title, MsgKind::Info, 0});
  if (inputAnswers.empty() || !inputAnswers.front()) {
    if (!inputAnswers.empty()) inputAnswers.pop_front();
    return false;
  }
  value = *inputAnswers.front();
  inputAnswers.pop_front();
  return true;
}

bool ScriptedPort::fileDialog(FileDialogRequest& request) {
  std::optional<std::string> answer;
  if (!fileAnswers.empty()) {
    answer = fileAnswers.front();
    fileAnswers.pop_front();
  }
  if (answer) request.chosenPath = *answer;
  fileDialogs.push_back(request);
  return answer.has_value();
}

bool ScriptedPort::chooseColor(int32_t& color) {
  if (colorAnswers.empty()) return false;
  auto answer = colorAnswers.front();
  colorAnswers.pop_front();
  if (!answer) return false;
  color = *answer;
  return true;
}

void ScriptedPort::openFile(const std::string& path, const std::string&) { openedFiles.push_back(path); }

double ScriptedPort::timeOfDay() {
  double t = clock;
  clock += clockStep;
  if (clock >= 86400.0) clock -= 86400.0;
  return t;
}

void ScriptedPort::randomize() {
  if (seeded_) return;
  rng_.seed(seed_);
  seeded_ = true;
}

double ScriptedPort::rnd() {
  if (!seeded_) randomize();
  return TL_Uniform01(rng_);
}

bool ScriptedPort::busy(const std::string& text, double& fraction, int32_t flags) {
  busyCalls.push_back({text, fraction, flags});
  if (fraction >= 1.0) return true;
  return abortAtBusyCall <= 0 || static_cast<int>(busyCalls.size()) < abortAtBusyCall;
}

bool ScriptedPort::isFormLoaded(const std::string& formName) {
  if (formName == "Main_Form") return mainWindowLoaded;
  return std::find(loadedForms.begin(), loadedForms.end(), formName) != loadedForms.end();
}

std::vector<std::string> ScriptedPort::messageTexts() const {
  std::vector<std::string> out;
  for (const auto& m : messages) out.push_back(m.text);
  return out;
}

}  // namespace kova
