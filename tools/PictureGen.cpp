// Build tool: draws the saver's pictures (the earth, the banner, seven film
// scenes, the settings dialog's and about box's pictures) and writes them as
// JPEG files, the dialog's button glyphs as bitmap files and the program's
// icon as an icon file; puts them into form descriptions.
// Usage: PictureGen --pictures <dir>
//        PictureGen --form <template.dfm.in> <out.dfm> <dir>
// In a template, a line holding @PICTURE_<NAME>@ becomes the Picture.Data
// property of <dir>/<name>.jpg, a line holding @GLYPH_<NAME>@ the Glyph.Data
// property of <dir>/<name>.bmp, a line holding @ICON_<NAME>@ the Picture.Data
// of the icon <dir>/<name>.ico. Everything is drawn from fixed seeds, so the
// files are the same on every build.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

constexpr double Pi = 3.14159265358979323846;

// ------------------------------------------------------------------ colours

struct TRgb {
  double R, G, B;
};

TRgb Mix(TRgb A, TRgb B, double T) {
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T};
}
TRgb Scale(TRgb C, double F) { return {C.R * F, C.G * F, C.B * F}; }

double Clamp01(double V) { return std::clamp(V, 0.0, 1.0); }
double SmoothStep(double A, double B, double V) {
  double t = Clamp01((V - A) / (B - A));
  return t * t * (3 - 2 * t);
}

// ------------------------------------------------------------------ raster

struct TRaster {
  TRaster(int AWidth, int AHeight)
      : Width(AWidth), Height(AHeight), Pixels(std::size_t(AWidth) * AHeight, TRgb{0, 0, 0}) {}
  TRgb& At(int X, int Y) { return Pixels[std::size_t(Y) * Width + X]; }
  void Blend(int X, int Y, TRgb C, double Alpha) {
    if (X >= 0 && Y >= 0 && X < Width && Y < Height) At(X, Y) = Mix(At(X, Y), C, Clamp01(Alpha));
  }
  int Width, Height;
  std::vector<TRgb> Pixels;
};

using TInside = std::function<bool(double X, double Y)>;
using TPaint = std::function<TRgb(double X, double Y)>;

TPaint Solid(TRgb C) {
  return [C](double, double) { return C; };
}

// Colour stops from top to bottom: {y, colour}, y ascending.
TPaint Vertical(std::vector<std::pair<double, TRgb>> Stops) {
  return [Stops](double, double Y) {
    if (Y <= Stops.front().first) return Stops.front().second;
    for (std::size_t i = 1; i < Stops.size(); ++i)
      if (Y < Stops[i].first) {
        auto [y0, c0] = Stops[i - 1];
        auto [y1, c1] = Stops[i];
        return Mix(c0, c1, (Y - y0) / (y1 - y0));
      }
    return Stops.back().second;
  };
}

// Paints a shape over the raster; 4 x 4 samples a pixel smooth its edges.
void FillShape(TRaster& R, const TInside& Inside, const TPaint& Paint, double Opacity = 1) {
  for (int y = 0; y < R.Height; ++y)
    for (int x = 0; x < R.Width; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (Inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
      if (hits) R.Blend(x, y, Paint(x + 0.5, y + 0.5), Opacity * hits / 16);
    }
}

void Fill(TRaster& R, const TPaint& Paint) {
  auto everywhere = [](double, double) { return true; };
  FillShape(R, everywhere, Paint);
}

// ------------------------------------------------------------------ shapes

TInside Disc(double CX, double CY, double Radius) {
  return [=](double X, double Y) {
    return (X - CX) * (X - CX) + (Y - CY) * (Y - CY) < Radius * Radius;
  };
}

TInside Rect(double L, double T, double Rt, double B) {
  return [=](double X, double Y) { return X >= L && X < Rt && Y >= T && Y < B; };
}

TInside RoundRect(double L, double T, double Rt, double B, double Radius) {
  return [=](double X, double Y) {
    double dx = std::max({L + Radius - X, X - (Rt - Radius), 0.0});
    double dy = std::max({T + Radius - Y, Y - (B - Radius), 0.0});
    return X >= L && X < Rt && Y >= T && Y < B && dx * dx + dy * dy <= Radius * Radius;
  };
}

// Everything below a skyline.
TInside Below(std::function<double(double X)> Line) {
  return [Line](double X, double Y) { return Y > Line(X); };
}

struct TPoint {
  double X, Y;
};
using TPolyline = std::vector<TPoint>;

TInside Polygon(TPolyline Points) {
  return [Points](double X, double Y) {
    bool inside = false;
    for (std::size_t i = 0, j = Points.size() - 1; i < Points.size(); j = i++) {
      const TPoint& a = Points[i];
      const TPoint& b = Points[j];
      if ((a.Y > Y) != (b.Y > Y) && X < a.X + (Y - a.Y) * (b.X - a.X) / (b.Y - a.Y))
        inside = !inside;
    }
    return inside;
  };
}

double SegmentDistance(TPoint P, TPoint A, TPoint B) {
  double dx = B.X - A.X, dy = B.Y - A.Y;
  double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? Clamp01(((P.X - A.X) * dx + (P.Y - A.Y) * dy) / length2) : 0;
  return std::hypot(P.X - (A.X + t * dx), P.Y - (A.Y + t * dy));
}

// Lines of the given width with round ends and joints.
TInside Strokes(std::vector<TPolyline> Lines, double Width) {
  return [Lines, Width](double X, double Y) {
    for (const TPolyline& line : Lines)
      for (std::size_t i = 0; i + 1 < line.size(); ++i)
        if (SegmentDistance({X, Y}, line[i], line[i + 1]) <= Width / 2) return true;
    return false;
  };
}

// A soft light that fades to nothing at Radius.
void Glow(TRaster& R, double CX, double CY, double Radius, TRgb C, double Strength) {
  for (int y = 0; y < R.Height; ++y)
    for (int x = 0; x < R.Width; ++x) {
      double d = std::hypot(x + 0.5 - CX, y + 0.5 - CY) / Radius;
      if (d < 1) R.Blend(x, y, C, Strength * (1 - d) * (1 - d));
    }
}

// Darkens the corners the way an old lens does.
void Vignette(TRaster& R, double Strength) {
  double cx = R.Width / 2.0, cy = R.Height / 2.0, far = std::hypot(cx, cy);
  for (int y = 0; y < R.Height; ++y)
    for (int x = 0; x < R.Width; ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / far;
      R.At(x, y) = Scale(R.At(x, y), 1 - Strength * d * d);
    }
}

// Random numbers from the standard's fully specified engine, so that every
// build draws the same pictures.
class TRandom {
 public:
  explicit TRandom(unsigned Seed) : Engine_(Seed) {}
  double Next() {
    return double(Engine_() - Engine_.min()) / double(Engine_.max() - Engine_.min());
  }
  double Between(double A, double B) { return A + (B - A) * Next(); }

 private:
  std::minstd_rand Engine_;
};

void Stars(TRaster& R, int Count, double MaxY, unsigned Seed) {
  TRandom random(Seed);
  for (int i = 0; i < Count; ++i) {
    double x = random.Between(0, R.Width), y = random.Between(0, MaxY);
    double brightness = 0.25 + 0.75 * random.Next() * random.Next();
    TRgb tint = random.Next() < 0.5 ? TRgb{200, 215, 255} : TRgb{255, 240, 210};
    if (random.Next() < 0.15)
      FillShape(R, Disc(x, y, 0.9), Solid(tint), brightness);
    else
      R.Blend(int(x), int(y), tint, brightness);
  }
}

// ------------------------------------------------------------------ glyphs

// Letters drawn as strokes in a box one unit high, y growing downwards.
struct TGlyph {
  char Letter;
  double Width;
  std::vector<TPolyline> Lines;
};

TPolyline Arc(TPoint Centre, double Radius, double From, double To, int Steps) {
  TPolyline line;
  for (int i = 0; i <= Steps; ++i) {
    double a = (From + (To - From) * i / Steps) * Pi / 180;
    line.push_back({Centre.X + Radius * std::cos(a), Centre.Y + Radius * std::sin(a)});
  }
  return line;
}

const std::vector<TGlyph>& Glyphs() {
  static const std::vector<TGlyph> glyphs = [] {
    TPolyline bowl = {{0, 1}, {0, 0}, {0.4, 0}};
    for (TPoint p : Arc({0.4, 0.25}, 0.25, -90, 90, 12)) bowl.push_back(p);
    bowl.push_back({0, 0.5});
    return std::vector<TGlyph>{
        {'A', 0.72, {{{0, 1}, {0.36, 0}, {0.72, 1}}, {{0.15, 0.62}, {0.57, 0.62}}}},
        {'I', 0, {{{0, 0}, {0, 1}}}},
        {'N', 0.64, {{{0, 1}, {0, 0}, {0.64, 1}, {0.64, 0}}}},
        {'R', 0.66, {bowl, {{0.32, 0.5}, {0.66, 1}}}},
        {'T', 0.72, {{{0, 0}, {0.72, 0}}, {{0.36, 0}, {0.36, 1}}}},
        {'V', 0.72, {{{0, 0}, {0.36, 1}, {0.72, 0}}}},
    };
  }();
  return glyphs;
}

const TGlyph& GlyphOf(char Letter) {
  for (const TGlyph& g : Glyphs())
    if (g.Letter == Letter) return g;
  throw std::runtime_error(std::string("no glyph for ") + Letter);
}

// The strokes of Text centred on CenterX, its letters from Top to Top + Height.
std::vector<TPolyline> TextLines(const std::string& Text, double CenterX, double Top, double Height,
                                 double Spacing) {
  double width = 0;
  for (char c : Text) width += GlyphOf(c).Width + Spacing;
  double x = CenterX - (width - Spacing) * Height / 2;
  std::vector<TPolyline> lines;
  for (char c : Text) {
    const TGlyph& g = GlyphOf(c);
    for (TPolyline line : g.Lines) {
      for (TPoint& p : line) p = {x + p.X * Height, Top + p.Y * Height};
      lines.push_back(line);
    }
    x += (g.Width + Spacing) * Height;
  }
  return lines;
}

// ------------------------------------------------------------------ noise

double Hash(int X, int Y, int Z) {
  unsigned h = unsigned(X) * 374761393u + unsigned(Y) * 668265263u + unsigned(Z) * 2147483647u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return double((h ^ (h >> 16)) & 0xFFFF) / 0xFFFF;
}

// Smooth value noise in three dimensions, 0..1.
double Noise(double X, double Y, double Z) {
  int ix = int(std::floor(X)), iy = int(std::floor(Y)), iz = int(std::floor(Z));
  double fx = SmoothStep(0, 1, X - ix), fy = SmoothStep(0, 1, Y - iy),
         fz = SmoothStep(0, 1, Z - iz);
  auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
  auto plane = [&](int z) {
    return lerp(lerp(Hash(ix, iy, z), Hash(ix + 1, iy, z), fx),
                lerp(Hash(ix, iy + 1, z), Hash(ix + 1, iy + 1, z), fx), fy);
  };
  return lerp(plane(iz), plane(iz + 1), fz);
}

double Fractal(double X, double Y, double Z) {
  double sum = 0, amplitude = 0.5;
  for (int octave = 0; octave < 5; ++octave, X *= 2, Y *= 2, Z *= 2, amplitude /= 2)
    sum += amplitude * Noise(X, Y, Z);
  return sum / (1 - std::pow(0.5, 5));
}

// ------------------------------------------------------------------ pictures

// The globe lit from the upper left: oceans, continents, ice, a soft
// terminator and a thin atmosphere at the rim.
void PaintGlobe(TRaster& R, double cx, double cy, double radius) {
  const double lx = -0.55, ly = -0.38, lz = 0.74, tilt = 0.35, turn = 2.2;
  TPaint surface = [=](double X, double Y) {
    double nx = (X - cx) / radius, ny = (Y - cy) / radius;
    double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
    // Into the planet's own frame: tilted axis, turned to show the land.
    double py = ny * std::cos(tilt) - nz * std::sin(tilt);
    double pz = ny * std::sin(tilt) + nz * std::cos(tilt);
    double px = nx * std::cos(turn) + pz * std::sin(turn);
    pz = -nx * std::sin(turn) + pz * std::cos(turn);
    double land = Fractal(px * 1.6 + 5, py * 1.6 + 5, pz * 1.6 + 5);
    TRgb colour = Mix(TRgb{8, 40, 115}, TRgb{30, 105, 175}, SmoothStep(0.35, 0.52, land));
    if (land > 0.53) {
      double dry = Fractal(px * 3 + 11, py * 3 + 11, pz * 3 + 11);
      colour = Mix(TRgb{45, 115, 45}, TRgb{150, 130, 80}, SmoothStep(0.5, 0.7, dry));
    }
    double ice = Fractal(px * 5 + 3, py * 5 + 3, pz * 5 + 3);
    if (std::abs(py) > 0.9 + 0.15 * (ice - 0.5)) colour = {232, 240, 250};
    double light = SmoothStep(-0.15, 0.4, nx * lx + ny * ly + nz * lz);
    colour = Scale(colour, 0.06 + 0.94 * light);
    return Mix(colour, TRgb{110, 170, 255}, std::pow(1 - nz, 3) * light * 0.7);
  };
  FillShape(R, Disc(cx, cy, radius), surface);
}

void DrawEarth(TRaster& R) {
  double cx = R.Width / 2.0, cy = R.Height / 2.0;
  PaintGlobe(R, cx, cy, std::min(cx, cy) - 3);
}

// A strip of film: perforated edges, the title large in the frame between.
void DrawBanner(TRaster& R) {
  double w = R.Width, h = R.Height, edge = 26;
  Fill(R, Solid({30, 26, 22}));
  FillShape(R, Rect(0, edge, w, h - edge),
            Vertical({{edge, {14, 20, 38}}, {h - edge, {4, 6, 12}}}));
  for (double y : {edge, h - edge - 1}) FillShape(R, Rect(0, y, w, y + 1), Solid({70, 62, 50}));
  for (double x = 8; x + 14 < w; x += 28)
    for (double y : {6.0, h - 20})
      FillShape(R, RoundRect(x, y, x + 14, y + 14, 3), Solid({0, 0, 0}));
  std::vector<TPolyline> title = TextLines("VINTRA", w / 2, 46, 90, 0.3);
  FillShape(R, Strokes(title, 30), Solid({255, 150, 40}), 0.18);
  FillShape(R, Strokes(title, 16), Solid({0, 0, 0}), 0.6);
  FillShape(R, Strokes(title, 16), Vertical({{40, {255, 240, 170}}, {140, {215, 135, 30}}}));
}

void DrawSunrise(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {25, 30, 85}}, {h * 0.4, {120, 70, 120}}, {h * 0.72, {250, 150, 70}}}));
  Glow(R, w * 0.62, h * 0.7, w * 0.5, {255, 190, 100}, 0.6);
  FillShape(R, Disc(w * 0.62, h * 0.7, w * 0.09), Solid({255, 235, 160}));
  auto farHills = [=](double x) {
    return h * 0.68 + h * 0.05 * std::sin(x * 0.05 + 1) + h * 0.03 * std::sin(x * 0.13);
  };
  auto nearHills = [=](double x) {
    return h * 0.8 + h * 0.06 * std::sin(x * 0.03 + 2) + h * 0.025 * std::sin(x * 0.11);
  };
  FillShape(R, Below(farHills), Solid({105, 65, 85}));
  FillShape(R, Below(nearHills), Vertical({{h * 0.74, {40, 70, 40}}, {h, {12, 28, 16}}}));
  Vignette(R, 0.35);
}

void DrawCity(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {4, 6, 22}}, {h * 0.75, {45, 35, 85}}}));
  Stars(R, 60, h * 0.55, 7);
  Glow(R, w * 0.8, h * 0.18, w * 0.18, {200, 200, 255}, 0.35);
  FillShape(R, Disc(w * 0.8, h * 0.18, 7), Solid({240, 238, 220}));
  TRandom random(11);
  for (int row = 0; row < 2; ++row) {
    TRgb wall = row ? TRgb{12, 12, 24} : TRgb{32, 32, 58};
    for (double x = -4; x < w;) {
      double width = random.Between(12, 26),
             top = h * random.Between(row ? 0.45 : 0.3, row ? 0.75 : 0.55);
      FillShape(R, Rect(x, top, x + width, h), Solid(wall));
      if (row)
        for (double wy = top + 4; wy + 3 < h - 4; wy += 6)
          for (double wx = x + 3; wx + 2 < x + width - 2; wx += 5)
            if (random.Next() < 0.35)
              FillShape(R, Rect(wx, wy, wx + 2, wy + 3), Solid({255, 205, 110}),
                        random.Between(0.6, 1));
      x += width + random.Between(0, 4);
    }
  }
  Vignette(R, 0.3);
}

// A little fair-weather cloud around (X, Y).
void Cloud(TRaster& R, double X, double Y) {
  TInside middle = Disc(X, Y, 10), left = Disc(X - 10, Y + 3, 7), right = Disc(X + 9, Y + 3, 7);
  auto puffs = [=](double x, double y) { return middle(x, y) || left(x, y) || right(x, y); };
  FillShape(R, puffs, Solid({250, 250, 252}), 0.55);
}

void DrawSailboat(TRaster& R) {
  double w = R.Width, h = R.Height, sea = h * 0.6;
  Fill(R, Vertical({{0, {60, 120, 195}}, {sea, {200, 225, 240}}}));
  Glow(R, w * 0.25, h * 0.3, w * 0.35, {255, 250, 225}, 0.5);
  Cloud(R, w * 0.7, h * 0.2);
  Cloud(R, w * 0.2, h * 0.42);
  FillShape(R, Rect(0, sea, w, h), Vertical({{sea, {40, 110, 170}}, {h, {10, 40, 90}}}));
  TRandom random(5);
  for (int i = 0; i < 40; ++i) {
    double y = random.Between(sea + 2, h), length = 3 + (y - sea) * 0.25, x = random.Between(-5, w);
    FillShape(R, Strokes({{{x, y}, {x + length, y}}}, 0.5 + (y - sea) * 0.02),
              Solid({170, 210, 235}), 0.6);
  }
  double bx = w * 0.58, by = h * 0.74;
  FillShape(R, Polygon({{bx - 20, by}, {bx + 20, by}, {bx + 14, by + 7}, {bx - 14, by + 7}}),
            Solid({10, 30, 60}), 0.4);
  FillShape(R, Polygon({{bx - 20, by}, {bx + 20, by}, {bx + 14, by + 6}, {bx - 14, by + 6}}),
            Solid({95, 50, 30}));
  FillShape(R, Strokes({{{bx, by}, {bx, by - 44}}}, 1.4), Solid({60, 40, 30}));
  FillShape(R, Polygon({{bx + 2, by - 42}, {bx + 2, by - 3}, {bx + 24, by - 3}}),
            Vertical({{by - 42, {250, 250, 245}}, {by, {215, 220, 225}}}));
  FillShape(R, Polygon({{bx - 2, by - 36}, {bx - 2, by - 3}, {bx - 19, by - 3}}),
            Solid({230, 232, 236}));
  Vignette(R, 0.3);
}

// A fir tree standing on (X, Y).
void Fir(TRaster& R, double X, double Y, double Height, TRgb C) {
  double w = Height * 0.22;
  FillShape(R, Rect(X - Height * 0.03, Y - Height * 0.15, X + Height * 0.03, Y),
            Solid(Scale(C, 0.7)));
  for (int tier = 0; tier < 3; ++tier) {
    double top = Y - Height + tier * Height * 0.25, bottom = top + Height * 0.45,
           half = w * (0.6 + tier * 0.25);
    FillShape(R, Polygon({{X, top}, {X + half, bottom}, {X - half, bottom}}), Solid(C));
  }
}

void DrawForest(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {110, 165, 190}}, {h * 0.55, {230, 222, 185}}}));
  Glow(R, w * 0.3, h * 0.35, w * 0.4, {255, 245, 210}, 0.5);
  FillShape(R, Below([=](double x) { return h * 0.5 + h * 0.06 * std::sin(x * 0.04 + 0.5); }),
            Solid({130, 155, 145}));
  struct TRow {
    double Ground, Height, Gap;
    TRgb Colour;
  } rows[] = {{h * 0.62, h * 0.22, 7, {85, 120, 105}},
              {h * 0.78, h * 0.36, 11, {40, 80, 55}},
              {h * 1.02, h * 0.5, 17, {14, 38, 24}}};
  TRandom random(3);
  for (const TRow& row : rows) {
    FillShape(R, Rect(0, row.Ground - row.Height * 0.1, w, h),
              Solid(Mix(row.Colour, {0, 0, 0}, 0.1)));
    for (double x = random.Between(-row.Gap, 0); x < w + row.Gap;
         x += row.Gap * random.Between(0.7, 1.3))
      Fir(R, x, row.Ground, row.Height * random.Between(0.75, 1.15), row.Colour);
  }
  Vignette(R, 0.35);
}

// A range of peaks lit from the left: slopes that rise to the right face the
// light. Snow lies above SnowLine.
void Range(TRaster& R, const TPolyline& Peaks, double SnowLine, TRgb Rock) {
  auto shaded = [Peaks](TRgb C) -> TPaint {
    return [Peaks, C](double X, double) {
      std::size_t i = 1;
      while (i + 1 < Peaks.size() && Peaks[i].X < X) ++i;
      return Peaks[i].Y < Peaks[i - 1].Y ? C : Scale(C, 0.72);
    };
  };
  TPolyline outline = Peaks;
  outline.push_back({double(R.Width) + 1, double(R.Height) + 1});
  outline.push_back({-1, double(R.Height) + 1});
  TInside mountain = Polygon(outline);
  FillShape(R, mountain, shaded(Rock));
  auto snow = [=](double X, double Y) {
    return mountain(X, Y) && Y < SnowLine + 3 * std::sin(X * 0.9) + 2 * std::sin(X * 0.37);
  };
  FillShape(R, snow, shaded({240, 245, 255}));
}

void DrawMountains(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {35, 85, 165}}, {h * 0.6, {175, 205, 232}}}));
  Range(R,
        {{-1, h * 0.55},
         {w * 0.18, h * 0.3},
         {w * 0.35, h * 0.48},
         {w * 0.55, h * 0.15},
         {w * 0.75, h * 0.42},
         {w * 0.9, h * 0.28},
         {w + 1, h * 0.45}},
        h * 0.33, {120, 130, 160});
  Range(R,
        {{-1, h * 0.6},
         {w * 0.12, h * 0.52},
         {w * 0.3, h * 0.7},
         {w * 0.45, h * 0.45},
         {w * 0.68, h * 0.72},
         {w + 1, h * 0.5}},
        h * 0.53, {80, 90, 115});
  FillShape(R, Below([=](double x) { return h * 0.82 + h * 0.04 * std::sin(x * 0.05); }),
            Vertical({{h * 0.78, {45, 75, 55}}, {h, {15, 30, 22}}}));
  Vignette(R, 0.3);
}

void DrawDesert(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {8, 8, 35}}, {h * 0.4, {60, 35, 90}}, {h * 0.66, {165, 95, 95}}}));
  Stars(R, 45, h * 0.5, 17);
  double mx = w * 0.7, my = h * 0.28, mr = w * 0.1;
  Glow(R, mx, my, mr * 4, {230, 220, 255}, 0.4);
  FillShape(R, Disc(mx, my, mr), Solid({245, 240, 215}));
  for (auto [dx, dy, r] : {std::tuple{-4.0, -3.0, 4.0}, {5.0, 4.0, 3.0}, {-2.0, 7.0, 2.0}})
    FillShape(R, Disc(mx + dx, my + dy, r), Solid({190, 185, 170}), 0.35);
  FillShape(R, Below([=](double x) { return h * 0.64 + h * 0.05 * std::sin(x * 0.035 + 1); }),
            Solid({125, 78, 85}));
  FillShape(R, Below([=](double x) {
              return h * 0.74 + h * 0.07 * std::sin(x * 0.025 + 3) + h * 0.02 * std::sin(x * 0.09);
            }),
            Vertical({{h * 0.66, {170, 110, 80}}, {h, {110, 65, 55}}}));
  FillShape(R, Below([=](double x) { return h * 0.9 + h * 0.05 * std::sin(x * 0.04 + 0.3); }),
            Solid({70, 42, 40}));
  double cx = w * 0.22, cy = h * 0.86;
  FillShape(R,
            Strokes({{{cx, cy}, {cx, cy - 30}},
                     {{cx, cy - 12}, {cx - 8, cy - 12}, {cx - 8, cy - 21}},
                     {{cx, cy - 17}, {cx + 7, cy - 17}, {cx + 7, cy - 25}}},
                    4),
            Solid({30, 22, 30}));
  Vignette(R, 0.35);
}

void DrawStarfield(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {0, 0, 8}}, {h, {6, 0, 20}}}));
  Glow(R, w * 0.3, h * 0.4, w * 0.5, {125, 40, 165}, 0.35);
  Glow(R, w * 0.72, h * 0.62, w * 0.45, {30, 80, 185}, 0.3);
  Glow(R, w * 0.55, h * 0.3, w * 0.2, {220, 90, 150}, 0.2);
  Stars(R, 230, h, 23);
  TRandom random(29);
  for (int i = 0; i < 5; ++i) {
    double x = random.Between(10, w - 10), y = random.Between(10, h - 10),
           size = random.Between(4, 8);
    Glow(R, x, y, size * 1.5, {200, 220, 255}, 0.6);
    FillShape(R, Strokes({{{x - size, y}, {x + size, y}}, {{x, y - size}, {x, y + size}}}, 0.8),
              Solid({230, 240, 255}), 0.5);
    FillShape(R, Disc(x, y, 1.3), Solid({255, 255, 255}));
  }
  Vignette(R, 0.25);
}

// ------------------------------------------------- the settings dialog's

// A person seen from behind: head and shoulders standing on Y.
void Person(TRaster& R, double X, double Y, double Height, TRgb C) {
  double head = Height * 0.17;
  FillShape(R, Disc(X, Y - Height + head, head), Solid(C));
  FillShape(R, RoundRect(X - Height * 0.24, Y - Height + head * 2.1, X + Height * 0.24, Y + 4,
                         Height * 0.16),
            Solid(C));
}

// The program's icon: the globe in a frame of film.
void DrawIcon(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Solid({30, 26, 22}));
  for (double x = 2; x + 3 < w; x += 6)
    for (double y : {1.0, h - 4})
      FillShape(R, RoundRect(x, y, x + 3, y + 3, 0.8), Solid({235, 225, 200}));
  FillShape(R, Rect(0, 6, w, h - 6), Solid({8, 10, 28}));
  PaintGlobe(R, w / 2, h / 2, h / 2 - 7);
}

// The world page: a crowd in front of the globe at dawn.
void DrawWorldPage(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, Vertical({{0, {10, 14, 45}}, {h * 0.7, {90, 70, 120}}, {h, {230, 140, 80}}}));
  Stars(R, 25, h * 0.5, 31);
  Glow(R, w * 0.5, h * 0.42, w * 0.55, {120, 170, 255}, 0.35);
  PaintGlobe(R, w * 0.5, h * 0.42, w * 0.33);
  TRandom random(37);
  const TRgb shades[] = {{25, 20, 35}, {45, 32, 40}, {20, 28, 45}};
  for (int row = 0; row < 2; ++row)
    for (double x = row ? 2 : -4; x < w + 6; x += row ? 11 : 12) {
      double size = random.Between(row ? 26 : 20, row ? 32 : 26);
      Person(R, x + random.Between(-2, 2), h - (row ? 0 : 8), size,
             Scale(shades[int(random.Between(0, 2.99))], row ? 1 : 1.6));
    }
}

// The viewers page: a film reel on the curtain of a cinema, its film running
// out below.
void DrawVintraPage(TRaster& R) {
  double w = R.Width, h = R.Height;
  Fill(R, [h](double X, double Y) {
    double fold = 0.75 + 0.25 * std::cos(X * 0.7);
    return Scale(Mix(TRgb{150, 20, 30}, TRgb{60, 5, 15}, Y / h), fold);
  });
  Glow(R, w * 0.45, h * 0.38, w * 0.5, {255, 220, 160}, 0.35);
  double cx = w * 0.45, cy = h * 0.38, radius = w * 0.3;
  FillShape(R, Disc(cx + 2, cy + 2, radius), Solid({20, 0, 5}), 0.5);
  FillShape(R, Disc(cx, cy, radius),
            Vertical({{cy - radius, {235, 235, 240}}, {cy + radius, {120, 125, 140}}}));
  for (int i = 0; i < 6; ++i) {
    double a = i * Pi / 3 + Pi / 6;
    FillShape(R, Disc(cx + std::cos(a) * radius * 0.58, cy + std::sin(a) * radius * 0.58,
                      radius * 0.22),
              Solid({60, 10, 20}));
  }
  FillShape(R, Disc(cx, cy, radius * 0.14), Solid({70, 70, 80}));
  // The film, from the reel's foot to the right edge.
  double top = h * 0.76, bottom = h * 0.94;
  FillShape(R,
            Polygon({{cx - 4, cy + radius - 2}, {cx + 4, cy + radius - 2}, {w * 0.2, top},
                     {w * 0.08, top}}),
            Solid({25, 22, 20}));
  FillShape(R, Rect(0, top, w, bottom), Solid({25, 22, 20}));
  for (double x = 1; x + 3 < w; x += 6)
    for (double y : {top + 1.5, bottom - 4})
      FillShape(R, Rect(x, y, x + 3, y + 2.5), Solid({235, 225, 200}));
  for (double x = 2; x + 14 < w; x += 17)
    FillShape(R, Rect(x, top + 5, x + 14, bottom - 5.5),
              Vertical({{top + 5, {255, 200, 110}}, {bottom - 5, {200, 120, 60}}}));
}

struct TPicture {
  const char* Name;
  int Width, Height;
  void (*Draw)(TRaster&);
};

const TPicture Pictures[] = {
    {"earth", 102, 97, DrawEarth},       {"banner", 634, 182, DrawBanner},
    {"scene1", 160, 116, DrawSunrise},   {"scene2", 160, 120, DrawCity},
    {"scene3", 160, 120, DrawSailboat},  {"scene4", 160, 120, DrawForest},
    {"scene5", 160, 120, DrawMountains}, {"scene6", 160, 120, DrawDesert},
    {"scene7", 160, 120, DrawStarfield},
    {"icon", 32, 32, DrawIcon},          {"worldpage", 88, 88, DrawWorldPage},
    {"vintrapage", 88, 88, DrawVintraPage},
};

// The program's icon as an icon file as well, for a picture that is an icon.
const TPicture Icons[] = {{"icon", 32, 32, DrawIcon}};

// ------------------------------------------------------------ button glyphs

// Button glyphs are bitmaps whose bottom-left colour is transparent: drawn
// over a button face, every pixel left untouched takes that colour.
const TRgb GlyphFace = {192, 192, 192};
const TRgb GlyphTransparent = {128, 128, 0};

// A circular arrow turning back: to what it was.
void DrawRestoreGlyph(TRaster& R) {
  const TRgb green = {0, 120, 0};
  const double cx = 8, cy = 9, radius = 4.8, end = -50 * Pi / 180;
  FillShape(R, Strokes({Arc({cx, cy}, radius, -50, 220, 24)}, 2.2), Solid(green));
  // The head at the open end, pointing on round the circle.
  TPoint at = {cx + radius * std::cos(end), cy + radius * std::sin(end)};
  TPoint ahead = {std::sin(end), -std::cos(end)}, out = {std::cos(end), std::sin(end)};
  FillShape(R,
            Polygon({{at.X + 4.5 * ahead.X, at.Y + 4.5 * ahead.Y},
                     {at.X + 3.4 * out.X, at.Y + 3.4 * out.Y},
                     {at.X - 3.4 * out.X, at.Y - 3.4 * out.Y}}),
            Solid(green));
}

// A small globe: the web.
void DrawWebGlyph(TRaster& R) {
  FillShape(R, Disc(8, 8, 6.5), Vertical({{1.5, {90, 160, 240}}, {14.5, {20, 60, 150}}}));
  TPolyline meridian;
  for (TPoint p : Arc({0, 0}, 1, -90, 90, 12)) meridian.push_back({8 + 3 * p.X, 8 + 6.2 * p.Y});
  TPolyline other = meridian;
  for (TPoint& p : other) p.X = 16 - p.X;
  FillShape(R, Strokes({meridian, other, {{8, 1.8}, {8, 14.2}}, {{1.8, 8}, {14.2, 8}}}, 0.8),
            Solid({210, 235, 255}), 0.8);
}

// A floppy disk: save.
void DrawSaveGlyph(TRaster& R) {
  FillShape(R, RoundRect(1.5, 1.5, 14.5, 14.5, 1), Solid({30, 40, 110}));
  FillShape(R, Rect(4, 2, 12, 7.5), Solid({245, 245, 250}));
  FillShape(R, Rect(5, 10, 11, 14.5), Solid({185, 185, 195}));
  FillShape(R, Rect(6, 11, 7.5, 13.5), Solid({30, 40, 110}));
}

const TPicture ButtonGlyphs[] = {
    {"restore", 16, 16, DrawRestoreGlyph},
    {"web", 16, 16, DrawWebGlyph},
    {"save", 16, 16, DrawSaveGlyph},
};

void DrawGlyph(TRaster& R, void (*Draw)(TRaster&)) {
  Fill(R, Solid(GlyphFace));
  Draw(R);
  for (TRgb& p : R.Pixels)
    if (p.R == GlyphFace.R && p.G == GlyphFace.G && p.B == GlyphFace.B) p = GlyphTransparent;
}

// ------------------------------------------------------------------ files

std::string EncodeJpeg(TRaster& R, int Quality) {
  std::vector<JSAMPLE> row(std::size_t(R.Width) * 3);
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);  // a failure ends the tool with libjpeg's message
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(R.Width);
  info.image_height = JDIMENSION(R.Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, Quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  auto byte = [](double v) { return JSAMPLE(std::lround(std::clamp(v, 0.0, 255.0))); };
  for (int y = 0; y < R.Height; ++y) {
    for (int x = 0; x < R.Width; ++x) {
      const TRgb& p = R.At(x, y);
      row[3 * x] = byte(p.R);
      row[3 * x + 1] = byte(p.G);
      row[3 * x + 2] = byte(p.B);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string data(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return data;
}

void PutLittleEndian(std::string& Data, unsigned Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Data += char((Value >> (8 * i)) & 0xFF);
}

// A bitmap's info header (40 bytes).
std::string InfoHeader(int Width, int Height, unsigned Bits, unsigned ImageSize) {
  std::string data;
  for (auto [value, bytes] : {std::pair{40u, 4}, {unsigned(Width), 4}, {unsigned(Height), 4},
                              {1u, 2}, {Bits, 2}, {0u, 4}, {ImageSize, 4}, {2835u, 4}, {2835u, 4},
                              {0u, 4}, {0u, 4}})
    PutLittleEndian(data, value, bytes);
  return data;
}

// The pixels bottom row first, each row padded to 4 bytes: blue, green, red
// and, with Alpha, an opaque alpha byte.
std::string BottomUpPixels(TRaster& R, bool Alpha) {
  const unsigned pixelBytes = Alpha ? 4 : 3;
  const unsigned stride = (unsigned(R.Width) * pixelBytes + 3) & ~3u;
  auto byte = [](double v) { return char(std::lround(std::clamp(v, 0.0, 255.0))); };
  std::string data;
  for (int y = R.Height - 1; y >= 0; --y) {
    for (int x = 0; x < R.Width; ++x) {
      const TRgb& p = R.At(x, y);
      data += byte(p.B);
      data += byte(p.G);
      data += byte(p.R);
      if (Alpha) data += char(255);
    }
    data.append(stride - unsigned(R.Width) * pixelBytes, '\0');
  }
  return data;
}

// A 24-bit bitmap file.
std::string EncodeBmp(TRaster& R) {
  const std::string pixels = BottomUpPixels(R, false);
  const unsigned offset = 14 + 40;
  std::string data = "BM";
  PutLittleEndian(data, offset + unsigned(pixels.size()), 4);
  PutLittleEndian(data, 0, 4);
  PutLittleEndian(data, offset, 4);
  return data + InfoHeader(R.Width, R.Height, 24, unsigned(pixels.size())) + pixels;
}

// An icon file of one opaque 32-bit image: the bitmap is twice as high as the
// picture, its lower half the (empty) transparency mask.
std::string EncodeIco(TRaster& R) {
  const std::string pixels = BottomUpPixels(R, true);
  const std::string mask(std::size_t((R.Width + 31) / 32 * 4) * R.Height, '\0');
  const unsigned imageSize = unsigned(pixels.size() + mask.size());
  const std::string image = InfoHeader(R.Width, R.Height * 2, 32, imageSize) + pixels + mask;
  std::string data;
  for (unsigned value : {0u, 1u, 1u}) PutLittleEndian(data, value, 2);  // icon file, one image
  data += char(R.Width);
  data += char(R.Height);
  data += std::string(2, '\0');                // no palette, reserved
  PutLittleEndian(data, 1, 2);                  // planes
  PutLittleEndian(data, 32, 2);                 // bits per pixel
  PutLittleEndian(data, unsigned(image.size()), 4);
  PutLittleEndian(data, 6 + 16, 4);             // the image follows the one entry
  return data + image;
}

std::string ReadFile(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + Name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& Name, const std::string& Data) {
  std::ofstream out(Name, std::ios::binary | std::ios::trunc);
  out << Data;
  if (!out.flush()) throw std::runtime_error("cannot write " + Name);
}

void WritePictures(const std::string& Dir) {
  std::filesystem::create_directories(Dir);
  for (const TPicture& p : Pictures) {
    TRaster raster(p.Width, p.Height);
    p.Draw(raster);
    WriteFile(Dir + "/" + p.Name + ".jpg", EncodeJpeg(raster, 90));
  }
  for (const TPicture& i : Icons) {
    TRaster raster(i.Width, i.Height);
    i.Draw(raster);
    WriteFile(Dir + "/" + i.Name + ".ico", EncodeIco(raster));
  }
  for (const TPicture& g : ButtonGlyphs) {
    TRaster raster(g.Width, g.Height);
    DrawGlyph(raster, g.Draw);
    WriteFile(Dir + "/" + g.Name + ".bmp", EncodeBmp(raster));
  }
}

// A binary property in the form text, 32 bytes a line.
std::string BinaryProperty(const std::string& Name, const std::string& Data,
                           const std::string& Indent, const std::string& Eol) {
  static const char hex[] = "0123456789ABCDEF";
  std::string text = Indent + Name + " = {";
  for (std::size_t i = 0; i < Data.size(); ++i) {
    if (i % 32 == 0) text += Eol + Indent + "  ";
    text += hex[static_cast<unsigned char>(Data[i]) >> 4];
    text += hex[Data[i] & 15];
  }
  return text + "}";
}

// A picture's stream data: the graphic's class name as a short string, then
// the JPEG's size (4 bytes, little endian) and the file.
std::string PictureProperty(const std::string& Jpeg, const std::string& Indent,
                            const std::string& Eol) {
  std::string data = "\x0ATJPEGImage";
  PutLittleEndian(data, unsigned(Jpeg.size()), 4);
  return BinaryProperty("Picture.Data", data + Jpeg, Indent, Eol);
}

// An icon picture's stream data: the graphic's class name, then the file.
std::string IconProperty(const std::string& Ico, const std::string& Indent,
                         const std::string& Eol) {
  return BinaryProperty("Picture.Data", "\x05TIcon" + Ico, Indent, Eol);
}

// A bitmap's stream data: the file's size (4 bytes, little endian), the file.
std::string GlyphProperty(const std::string& Bmp, const std::string& Indent,
                          const std::string& Eol) {
  std::string data;
  PutLittleEndian(data, unsigned(Bmp.size()), 4);
  return BinaryProperty("Glyph.Data", data + Bmp, Indent, Eol);
}

// What a template line @<Mark><NAME>@ stands for.
struct TSplice {
  const char* Mark;
  const TPicture* First;
  const TPicture* Last;
  const char* Extension;
  std::string (*Property)(const std::string& File, const std::string& Indent,
                          const std::string& Eol);
};

void Splice(std::string& Text, const TSplice& Kind, const std::string& Dir) {
  const std::string eol = Text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string mark = Kind.Mark;
  for (std::size_t at; (at = Text.find(mark)) != std::string::npos;) {
    std::size_t end = Text.find('@', at + 1);
    std::size_t lineStart = Text.rfind('\n', at) + 1;  // npos + 1 == 0 on the first line
    if (end == std::string::npos) throw std::runtime_error("unterminated " + mark);
    std::string name = Text.substr(at + mark.size(), end - at - mark.size());
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (std::none_of(Kind.First, Kind.Last, [&](const TPicture& p) { return p.Name == name; }))
      throw std::runtime_error("no picture " + name);
    std::string property = Kind.Property(ReadFile(Dir + "/" + name + Kind.Extension),
                                         Text.substr(lineStart, at - lineStart), eol);
    Text.replace(lineStart, end + 1 - lineStart, property);
  }
}

void WriteForm(const std::string& Template, const std::string& Out, const std::string& Dir) {
  std::string text = ReadFile(Template);
  Splice(text, {"@PICTURE_", std::begin(Pictures), std::end(Pictures), ".jpg", PictureProperty},
         Dir);
  Splice(text, {"@ICON_", std::begin(Icons), std::end(Icons), ".ico", IconProperty}, Dir);
  Splice(text, {"@GLYPH_", std::begin(ButtonGlyphs), std::end(ButtonGlyphs), ".bmp", GlyphProperty},
         Dir);
  WriteFile(Out, text);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "--pictures")
      WritePictures(args[1]);
    else if (args.size() == 4 && args[0] == "--form")
      WriteForm(args[1], args[2], args[3]);
    else {
      std::cerr << "usage: PictureGen --pictures <dir>\n"
                   "       PictureGen --form <template.dfm.in> <out.dfm> <dir>\n";
      return 2;
    }
  } catch (const std::exception& e) {
    std::cerr << "PictureGen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
