#include "FigureTable.h"

#include <algorithm>
#include <cstdio>

namespace marbrel::bench {

void FigureTable::add(std::string name, std::vector<double> samples, double target, std::string unit,
                      std::vector<double> ran, std::vector<double> waited) {
  figures_.push_back({std::move(name), std::move(samples), target, std::move(unit), std::move(ran), std::move(waited)});
}

namespace {

std::string medianText(const std::vector<double>& samples) {
  if (samples.empty()) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", FigureTable::median(samples));
  return text;
}

}  // namespace

double FigureTable::median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

bool FigureTable::print(std::ostream& out) const {
  bool allKept = true;
  char line[256];
  std::snprintf(line, sizeof line, "%-44s %10s %10s %10s %5s %10s %10s  %s\n", "figure", "median", "worst", "target",
                "runs", "ran", "waited", "mark");
  out << line;
  for (const Figure& figure : figures_) {
    if (figure.samples.empty()) {
      std::snprintf(line, sizeof line, "%-44s %10s %10s %7.1f %-2s %5d %10s %10s  FAILED (no measurement)\n",
                    figure.name.c_str(), "-", "-", figure.target, figure.unit.c_str(), 0, "-", "-");
      out << line;
      allKept = false;
      continue;
    }
    const double middle = median(figure.samples);
    const double worst = *std::max_element(figure.samples.begin(), figure.samples.end());
    // Within the target at the median and at the worst; a busy machine can push single runs over.
    const char* mark = worst <= figure.target ? "PASS" : middle <= figure.target ? "PASS (worst OVER)" : "OVER";
    if (middle > figure.target) allKept = false;
    std::snprintf(line, sizeof line, "%-44s %7.1f %-2s %7.1f %-2s %7.1f %-2s %5zu %10s %10s  %s\n", figure.name.c_str(),
                  middle, figure.unit.c_str(), worst, figure.unit.c_str(), figure.target, figure.unit.c_str(),
                  figure.samples.size(), medianText(figure.ran).c_str(), medianText(figure.waited).c_str(), mark);
    out << line;
  }
  return allKept;
}

}  // namespace marbrel::bench
