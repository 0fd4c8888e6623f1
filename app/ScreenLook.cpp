#include "app/ScreenLook.h"

#include <QApplication>
#include <QImage>

#include "view/widgets/PictureButton.h"

namespace kivu {

namespace {

QColor ToQColor(Color c) {
  return QColor(c.red, c.green, c.blue);
}

// The pictures' pixels in the palette's colours; a picture with transparency keeps its alpha.
void TintImage(QImage& image, const DashboardColours& colours) {
  if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    TintPixels(std::span<uint32_t>(reinterpret_cast<uint32_t*>(image.scanLine(y)),
                                   static_cast<size_t>(image.width())),
               colours);
}

}  // namespace

QPalette DialogPalette(const DashboardColours& colours, const QPalette& day) {
  if (colours.palette == Palette::kDay) return day;
  // The dashboard's own roles: its background for the windows, its panels' black for the fields, its
  // labels for the text, its figure colour to mark the choice.
  const QColor window = ToQColor(colours.palette == Palette::kDusk ? Color{60, 60, 60} : colours.canvas);
  const QColor field = ToQColor(colours.palette == Palette::kDusk ? Color{30, 30, 30} : kBlack);
  const QColor text = ToQColor(colours.label);
  const QColor dimText = ToQColor(colours.dimmedLabel);
  QPalette p(day);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool disabled = group == QPalette::Disabled;
    p.setColor(group, QPalette::Window, window);
    p.setColor(group, QPalette::Base, field);
    p.setColor(group, QPalette::AlternateBase, window);
    p.setColor(group, QPalette::Button, window);
    p.setColor(group, QPalette::Light, window.lighter(130));
    p.setColor(group, QPalette::Midlight, window.lighter(115));
    p.setColor(group, QPalette::Mid, window.darker(130));
    p.setColor(group, QPalette::Dark, window.darker(160));
    p.setColor(group, QPalette::Shadow, Qt::black);
    p.setColor(group, QPalette::WindowText, disabled ? dimText : text);
    p.setColor(group, QPalette::Text, disabled ? dimText : text);
    p.setColor(group, QPalette::ButtonText, disabled ? dimText : text);
    p.setColor(group, QPalette::BrightText, text);
    p.setColor(group, QPalette::PlaceholderText, dimText);
    p.setColor(group, QPalette::Highlight, ToQColor(colours.subPanel).lighter(250));
    p.setColor(group, QPalette::HighlightedText, ToQColor(colours.figure));
    p.setColor(group, QPalette::ToolTipBase, field);
    p.setColor(group, QPalette::ToolTipText, text);
    p.setColor(group, QPalette::Link, ToQColor(colours.figure));
  }
  return p;
}

ScreenLook::~ScreenLook() {
  RestoreBacklight();
}

void ScreenLook::Follow(const DashboardColours& colours, int backlightPercent,
                        const QList<PictureButton*>& buttons) {
  if (colours_ != &colours) {
    const bool firstLook = colours_ == nullptr;
    colours_ = &colours;
    for (PictureButton* button : buttons) {
      if (colours.pictureGain == 256 && !colours.redOnly) {
        if (!firstLook) button->SetTint(nullptr);
      } else {
        button->SetTint([&colours](QImage& image) { TintImage(image, colours); });
      }
    }
    if (!dayPalette_) dayPalette_ = QApplication::palette();
    if (colours.palette != Palette::kDay || !firstLook)
      QApplication::setPalette(DialogPalette(colours, *dayPalette_));
  }
  if (backlightPercent == backlightPercent_) return;
  backlightPercent_ = backlightPercent;
  if (backlightPercent >= 100) {
    RestoreBacklight();
    return;
  }
  if (!backlight_) backlight_ = std::make_unique<Backlight>();
  backlight_->Dim(backlightPercent / 100.0);
}

void ScreenLook::RestoreBacklight() {
  if (backlight_) backlight_->Restore();
}

}  // namespace kivu
