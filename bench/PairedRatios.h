#pragma once
// The figures every bench prints: the program and its peer timed in turns,
// run by run, and the ratio of each pair. Shared by the benches.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

struct PairedRatios {
  std::vector<double> ours, peer;  // one entry per run, same order

  void Add(double oursValue, double peerValue) {
    ours.push_back(oursValue);
    peer.push_back(peerValue);
  }
  static double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  std::vector<double> Ratios() const {
    std::vector<double> r;
    for (size_t i = 0; i < ours.size(); ++i) r.push_back(peer[i] > 0 ? ours[i] / peer[i] : 0);
    return r;
  }
  double MedianRatio() const { return Median(Ratios()); }
  // "median (min–max)" of the paired ratios.
  std::string RatioText() const {
    const std::vector<double> r = Ratios();
    if (r.empty()) return "-";
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.3f (%.3f-%.3f)", Median(r),
                  *std::min_element(r.begin(), r.end()), *std::max_element(r.begin(), r.end()));
    return buf;
  }
  // One line: the label, the medians of both sides in unit, the ratios and
  // the target, with "met" or "MISSED" judged on the median ratio.
  void Print(const char* label, const char* unit, double target = 0) const {
    std::printf("%-34s ours %9.3f %s  peer %9.3f %s  ours/peer %s", label, Median(ours), unit,
                Median(peer), unit, RatioText().c_str());
    if (target > 0)
      std::printf("  target <= %.2f %s", target, MedianRatio() <= target ? "met" : "MISSED");
    std::printf("  [%zu runs]\n", ours.size());
  }
};
