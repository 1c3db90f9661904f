#pragma once
// A picture with smooth gradients, a soft shape and sensor-like noise, so its
// JPEG is about the size of a photograph's. Shared by the benches.
#include <QImage>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "framework/picture/Picture.h"

// (cx, cy) is the soft shape's centre as a fraction of the size; phase shifts the waves.
inline QImage PhotoLikeImage(int w, int h, unsigned seed, double cx = 0.3, double cy = 0.6,
                             double phase = 0) {
  QImage img(w, h, QImage::Format_RGB32);
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const double u = double(x) / w, v = double(y) / h;
      const double blob = 60.0 * std::exp(-((u - cx) * (u - cx) + (v - cy) * (v - cy)) * 18);
      const double wave = 25.0 * std::sin(u * 40 + v * 13 + phase);
      auto c = [&](double base) { return std::clamp(int(base + noise(rng)), 0, 255); };
      row[x] =
          qRgb(c(60 + 150 * u + blob), c(90 + 100 * v + wave), c(170 - 120 * u * v + blob / 2));
    }
  }
  return img;
}

// The same picture as a JPEG of quality 90, as a camera or a blog serves it.
inline std::string PhotoLikeJpeg(int w, int h, unsigned seed, double cx = 0.3, double cy = 0.6,
                                 double phase = 0) {
  fw::Picture pic(PhotoLikeImage(w, h, seed, cx, cy, phase));
  return pic.Encode(fw::Picture::kFormatJPEG, 90);
}
