#include "platform/language.h"

namespace vx::platform {
namespace {
bool g_english = false;  // Japanese unless the message file is found
}

void set_english(bool english) { g_english = english; }
bool english() { return g_english; }

}  // namespace vx::platform
