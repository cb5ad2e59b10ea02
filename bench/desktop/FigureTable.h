#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace marbrel::bench {

// The figures of a run against their targets, printed as one table: median and worst of the
// samples, and a mark saying whether the target was kept.
class FigureTable {
 public:
  // A figure measured many times; `samples` may be empty when the measurement failed. `ran` and
  // `waited` are the program's main thread times in each measurement (milliseconds), when known.
  void add(std::string name, std::vector<double> samples, double target, std::string unit,
           std::vector<double> ran = {}, std::vector<double> waited = {});
  // Prints the table; true when every figure has samples and its median is within the target.
  bool print(std::ostream& out) const;

  static double median(std::vector<double> samples);

 private:
  struct Figure {
    std::string name;
    std::vector<double> samples;
    double target;
    std::string unit;
    std::vector<double> ran;
    std::vector<double> waited;
  };
  std::vector<Figure> figures_;
};

}  // namespace marbrel::bench
