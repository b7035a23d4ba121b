#include "ui/win32/main_form_glyphs.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "platform/win32/handles.h"

namespace korvane {

namespace {

const COLORREF kMaskColour = RGB(255, 0, 255);

// Draws on a 16-unit grid scaled to the glyph's size.
class Painter {
 public:
  Painter(HDC dc, int size) : dc_(dc), size_(size) {}
  int At(int units) const { return units * size_ / 16; }
  void Rect(int left, int top, int right, int bottom, COLORREF fill, COLORREF edge) {
    Shape(fill, edge, 1, [&] { Rectangle(dc_, At(left), At(top), At(right), At(bottom)); });
  }
  void Polygon(std::initializer_list<POINT> points, COLORREF fill, COLORREF edge) {
    std::vector<POINT> scaled;
    for (POINT p : points) scaled.push_back({At(p.x), At(p.y)});
    Shape(fill, edge, 1, [&] { ::Polygon(dc_, scaled.data(), static_cast<int>(scaled.size())); });
  }
  void Line(int x1, int y1, int x2, int y2, COLORREF colour, int width) {
    Shape(colour, colour, width, [&] {
      MoveToEx(dc_, At(x1), At(y1), nullptr);
      LineTo(dc_, At(x2), At(y2));
    });
  }
  void Arc(int left, int top, int right, int bottom, POINT from, POINT to, COLORREF colour,
           int width) {
    Shape(colour, colour, width, [&] {
      ::Arc(dc_, At(left), At(top), At(right), At(bottom), At(from.x), At(from.y), At(to.x),
            At(to.y));
    });
  }

 private:
  template <class Draw>
  void Shape(COLORREF fill, COLORREF edge, int width, Draw draw) {
    win32::GdiObject pen(CreatePen(PS_SOLID, std::max(1, At(width)), edge));
    win32::GdiObject brush(CreateSolidBrush(fill));
    win32::SelectedObject pen_in(dc_, pen.get());
    win32::SelectedObject brush_in(dc_, brush.get());
    draw();
  }
  HDC dc_;
  int size_;
};

void DrawPage(Painter& p) {
  p.Polygon({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}}, RGB(255, 255, 255), RGB(64, 64, 64));
}

void DrawGlyph(Painter& p, Glyph glyph) {
  const COLORREF dark = RGB(64, 64, 64);
  switch (glyph) {
    case kGlyphNew:
      DrawPage(p);
      p.Line(8, 6, 8, 13, RGB(0, 150, 0), 2);
      p.Line(5, 9, 11, 9, RGB(0, 150, 0), 2);
      break;
    case kGlyphDelete:
      p.Line(3, 3, 13, 13, RGB(200, 0, 0), 3);
      p.Line(13, 3, 3, 13, RGB(200, 0, 0), 3);
      break;
    case kGlyphFolder:
      p.Polygon({{1, 3}, {6, 3}, {7, 5}, {15, 5}, {15, 14}, {1, 14}}, RGB(240, 200, 80), dark);
      break;
    case kGlyphProperties:
      DrawPage(p);
      for (int y = 5; y <= 12; y += 3) p.Line(5, y, 11, y, RGB(0, 70, 180), 1);
      break;
    case kGlyphRun:
      p.Polygon({{4, 2}, {14, 8}, {4, 14}}, RGB(0, 170, 0), RGB(0, 100, 0));
      break;
    case kGlyphStop:
      p.Rect(3, 3, 13, 13, RGB(210, 30, 30), RGB(120, 0, 0));
      break;
    case kGlyphRefresh:
      p.Arc(2, 2, 14, 14, {8, 2}, {14, 8}, RGB(0, 120, 200), 2);
      p.Polygon({{8, 0}, {12, 3}, {8, 6}}, RGB(0, 120, 200), RGB(0, 120, 200));
      break;
    case kGlyphParameters:
      p.Line(2, 5, 14, 5, dark, 1);
      p.Line(2, 11, 14, 11, dark, 1);
      p.Rect(4, 3, 8, 8, RGB(200, 200, 200), dark);
      p.Rect(9, 9, 13, 14, RGB(200, 200, 200), dark);
      break;
    case kGlyphDisable:
      p.Arc(2, 2, 14, 14, {14, 8}, {14, 8}, RGB(160, 0, 0), 2);
      p.Line(4, 12, 12, 4, RGB(160, 0, 0), 2);
      break;
    case kGlyphEnable:
      p.Line(3, 8, 7, 12, RGB(0, 150, 0), 3);
      p.Line(7, 12, 13, 3, RGB(0, 150, 0), 3);
      break;
    case kNoGlyph:
    case kGlyphCount:
      break;
  }
}

// The shield of a command that needs administrator rights, in the glyph's
// lower right corner: blue and yellow quarters, as Windows draws it.
void DrawShield(Painter& p) {
  p.Polygon({{8, 7}, {11, 6}, {15, 7}, {15, 11}, {11, 15}, {8, 11}}, RGB(40, 90, 200),
            RGB(20, 40, 110));
  p.Polygon({{11, 7}, {14, 8}, {14, 11}, {11, 11}}, RGB(250, 200, 40), RGB(250, 200, 40));
  p.Polygon({{9, 11}, {11, 11}, {11, 14}, {9, 12}}, RGB(250, 200, 40), RGB(250, 200, 40));
}

}  // namespace

HIMAGELIST CreateInterfaceImageList(int size) {
  // Each glyph, then each again with the shield.
  constexpr int kImages = 2 * kGlyphCount;
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kImages, 0);
  win32::Bitmap strip;
  {
    const win32::WindowDc screen(nullptr);
    win32::MemoryDc memory_dc(CreateCompatibleDC(screen.get()));
    HDC dc = memory_dc.get();
    strip.reset(CreateCompatibleBitmap(screen.get(), size * kImages, size));
    // The strip leaves the memory DC before the image list copies it.
    const win32::SelectedObject strip_in(dc, strip.get());
    const RECT all = {0, 0, size * kImages, size};
    win32::GdiObject background(CreateSolidBrush(kMaskColour));
    FillRect(dc, &all, static_cast<HBRUSH>(background.get()));
    for (int i = 0; i < kImages; ++i) {
      SetViewportOrgEx(dc, i * size, 0, nullptr);
      Painter painter(dc, size);
      DrawGlyph(painter, static_cast<Glyph>(i % kGlyphCount));
      if (i >= kGlyphCount) DrawShield(painter);
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
  }
  ImageList_AddMasked(images, strip.get(), kMaskColour);
  return images;
}

}  // namespace korvane
