#include "tools/DefaultPort.h"

#include <chrono>
#include <ctime>

#include "tools/Tools.h"

namespace kova {

namespace {
std::tm LocalNow(double* secondsSinceMidnight = nullptr) {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  if (secondsSinceMidnight) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    *secondsSinceMidnight = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + ms / 1000.0;
  }
  return tm;
}
}  // namespace

int DefaultPort::messageBox(const std::string&, const std::string&, MsgKind kind) {
  return kind == MsgKind::Info ? kOk : kCancel;
}

double DefaultPort::timeOfDay() {
  double s = 0;
  LocalNow(&s);
  return s;
}

std::string DefaultPort::shortDate() {
  std::tm tm = LocalNow();
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
  return buf;
}

std::string DefaultPort::shortTime() {
  std::tm tm = LocalNow();
  char buf[32];
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

void DefaultPort::randomize() {
  if (seeded_) return;
  if (seed_) {
    rng_.seed(*seed_);
  } else {
    auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seq{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32), std::random_device{}()};
    rng_.seed(seq);
  }
  seeded_ = true;
}

double DefaultPort::rnd() {
  if (!seeded_) randomize();
  return TL_Uniform01(rng_);
}

static DefaultPort& SilentPort() {
  static DefaultPort port;
  return port;
}

static PlatformPort* g_port = nullptr;

PlatformPort& TL_Port() { return g_port ? *g_port : SilentPort(); }

PlatformPort* TL_SetPort(PlatformPort* port) {
  PlatformPort* previous = g_port;
  g_port = port;
  return previous;
}

}  // namespace kova
