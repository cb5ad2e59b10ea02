#pragma once

// The menu pop-up's frame and the columns of its rows, shared by its sizing and its painting.

namespace marbrel::popup_metrics {

constexpr int kFrame = 1;
constexpr int kStateColumn = 22;  // room for the pin at the left of every row
constexpr int kImageGap = 6;
constexpr int kKeyGap = 28;  // between a title and its key equivalent
constexpr int kRightMargin = 12;

}  // namespace marbrel::popup_metrics
