// The menu commands the batch, the keys and the run exchange, by their numbers in the menu.
#pragma once

namespace vx::shell::cmd {

constexpr int kSelectNc = 32771;
constexpr int kReport = 32773;  // parameter 1: without dialog
constexpr int kRealCut = 32774;         // run mode 1
constexpr int kSkipCut = 32775;         // run mode 2
constexpr int kCutAndShow = 32776;      // run mode 3 (F5)
constexpr int kToolTipPath = 32777;     // run mode 4 (F6)
constexpr int kCommandPath = 32778;     // run mode 5
constexpr int kOptimise = 32831;        // run mode 3 with the optimised NC output
constexpr int kFastSkipCut = 32881;     // fast run, mode 2
constexpr int kFastCutAndShow = 32882;  // fast run, mode 3 (F7)
constexpr int kModeBase = 32773;        // mode + base: the command of a normal run
constexpr int kFastModeBase = 32879;    // mode + base: the command of a fast run
constexpr int kStopModeFirst = 32853;   // 32853..32857: stop mode = command - 32853
constexpr int kStopModeLast = 32857;
constexpr int kSimPlugin = 32941;  // + slot 0..2
constexpr int kLoadWork = 32784;
constexpr int kLoadPress = 32785;
constexpr int kLoadSwing = 32850;
constexpr int kSaveWork = 32786;  // parameter: the save type
constexpr int kMerge = 32895;
constexpr int kMove = 32827;
constexpr int kOffset = 32788;
constexpr int kPenStrip = 32820;
constexpr int kPaintAll = 32789;
constexpr int kStripPaint = 32790;
constexpr int kRotateMirror = 32826;
constexpr int kDifferencePaint = 32893;
constexpr int kPluginOperation = 32910;  // + 1..3

}  // namespace vx::shell::cmd
