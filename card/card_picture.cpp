#include "card/card_picture.h"

#include <algorithm>
#include <cmath>

#include "assets/resource.h"
#include "card/card_layout.h"
#include "os/imaging.h"
#include "picture/resample.h"

namespace {

constexpr double kTwipsPerPixel = 15.0;  // at scale 1
constexpr int kPixelsPerInch = 96;

// The card is a picture: its digits are black and smoothed in shades of grey whatever the
// user's colour scheme and ClearType setting, so the window, the files, the clipboard and
// the paper all show the same card on every machine.
constexpr os::Colour kInk{0x00000000};

struct Artwork {
    int whole;       // the 1x bitmap
    int first_band;  // the 3x bands' first resource
};

Artwork artwork_of(CardStyle style) {
    if (style == CardStyle::BlackAndWhite) return {IDB_CARD_BW, IDR_CARD_BW_3X_FIRST_BAND};
    return {IDB_CARD, IDR_CARD_3X_FIRST_BAND};
}

os::FontDesign slot_font() {
    os::FontDesign design{L"宋体", card_layout::kSlotFontPoints, GB2312_CHARSET};
    design.smoothing = os::Smoothing::Grayscale;
    return design;
}

}  // namespace

CardPicture::CardPicture(double scale, std::wstring_view number, std::string code, Painted painted,
                         CardStyle style)
    : scale_(scale),
      style_(style),
      captions_(slot_captions(number)),
      extent_width_(card_layout::kWindowWidth),
      extent_height_(card_layout::kWindowHeight),
      slot_font_(os::create_font(slot_font(), static_cast<int>(std::lround(kPixelsPerInch * scale)))) {
    if (scale_ == 1.0)
        artwork_ = os::Picture::from_resource(artwork_of(style_).whole);
    else if (scale_ < card_layout::kPrintScale)
        artwork_ = shrunk_artwork();
    else if (painted == Painted::Repeatedly)
        artwork_ = whole_print_artwork();
    show_code(std::move(code));
}

os::Picture CardPicture::whole_print_artwork() const {
    const int width = card_layout::kPrintScale * card_layout::kArtworkWidth;
    const int height = card_layout::kPrintScale * card_layout::kArtworkHeight;
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * height);
    for (int band = 0; band < card_layout::kPrintBands; ++band) {
        const os::Picture& picture = print_band(band);
        for (int y = 0; y < picture.height() && y < card_layout::kPrintBandRows; ++y)
            std::copy_n(picture.row(y), std::min(width, picture.width()),
                        rows.begin() + static_cast<std::ptrdiff_t>(band * card_layout::kPrintBandRows + y) * width);
    }
    print_bands_.reset();
    return os::Picture::from_pixels(width, height, std::move(rows));
}

os::Picture CardPicture::shrunk_artwork() const {
    const int source_width = card_layout::kPrintScale * card_layout::kArtworkWidth;
    const int source_height = card_layout::kPrintScale * card_layout::kArtworkHeight;
    const int width = static_cast<int>(std::lround(card_layout::kArtworkWidth * scale_));
    const int height = static_cast<int>(std::lround(card_layout::kArtworkHeight * scale_));
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * height);
    picture::Shrinker shrinker(source_width, source_height, width, height,
                               [&](int y, const std::vector<std::uint32_t>& row) {
                                   std::copy(row.begin(), row.end(), rows.begin() + static_cast<std::ptrdiff_t>(y) * width);
                               });
    for (int band = 0; band < card_layout::kPrintBands; ++band) {
        const os::Picture& picture = print_band(band);
        for (int y = 0; y < picture.height(); ++y) shrinker.push(picture.row(y));
    }
    print_bands_.reset();
    return os::Picture::from_pixels(width, height, std::move(rows));
}

std::array<bool, kSlotCount> CardPicture::show_number(std::wstring_view number) {
    const SlotCaptions captions = slot_captions(number);
    std::array<bool, kSlotCount> changed{};
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        changed[k] = captions[k] != captions_[k];
        captions_[k] = captions[k];
    }
    return changed;
}

bool CardPicture::show_code(std::string code) {
    if (code == code_) return false;
    code_ = std::move(code);
    // Level Q: a code behind a windscreen has glare and dirt to read through.
    symbol_ = code_.empty() ? std::nullopt : qr::encode(code_, qr::Level::Q);
    return true;
}

os::PixelRect CardPicture::parking_mark() const {
    const auto at = [this](int pixel) { return static_cast<int>(std::floor(pixel * scale_ + 0.5)); };
    return {at(card_layout::kParkingMarkLeft), at(card_layout::kParkingMarkTop), at(card_layout::kParkingMarkRight + 1),
            at(card_layout::kParkingMarkBottom + 1)};
}

int CardPicture::to_pixels(int twips) const {
    return static_cast<int>(std::floor(twips * scale_ / kTwipsPerPixel + 0.5));
}

os::PixelRect CardPicture::slot_bounds(int k) const {
    const int left = card_layout::kSlotLefts[k - 1], top = card_layout::kSlotTop;
    return {to_pixels(left), to_pixels(top), to_pixels(left + card_layout::kSlotWidth),
            to_pixels(top + card_layout::kSlotHeight)};
}

void CardPicture::set_artwork_extent(int width_twips, int height_twips) {
    extent_width_ = width_twips;
    extent_height_ = height_twips;
}

int CardPicture::width() const { return to_pixels(card_layout::kWindowWidth); }
int CardPicture::height() const { return to_pixels(card_layout::kWindowHeight); }

void CardPicture::paint(os::Painter& painter) const {
    painter.fill({0, 0, width(), height()}, os::Colour{0x00F0F0F0});  // where no artwork reaches
    paint_artwork(painter);
    paint_code(painter);
    for (int k = 1; k <= static_cast<int>(kSlotCount); ++k)
        painter.draw_text(slot_bounds(k), captions_[k - 1], slot_font_.get(), kInk, /*centred=*/true);
}

void CardPicture::paint_artwork(os::Painter& painter) const {
    const os::PixelRect extent{0, 0, to_pixels(extent_width_), to_pixels(extent_height_)};
    // The 3x artwork, whole or in bands, at its own size or stretched for scales above 3.
    const double stretch = scale_ / card_layout::kPrintScale;
    const auto row_at = [stretch](int row) { return static_cast<int>(std::lround(row * stretch)); };
    if (artwork_ && scale_ <= card_layout::kPrintScale) {
        painter.draw_picture(artwork_, extent);
        return;
    }
    if (artwork_) {
        painter.draw_picture_scaled(artwork_, {0, 0, row_at(artwork_.width()), row_at(artwork_.height())}, extent);
        return;
    }
    const int band_rows = card_layout::kPrintBandRows;
    for (int band = 0; band < card_layout::kPrintBands; ++band) {
        const os::PixelRect placed{0, row_at(band * band_rows),
                                        row_at(card_layout::kPrintScale * card_layout::kArtworkWidth),
                                        row_at((band + 1) * band_rows)};
        if (placed.intersect(painter.area()).empty()) continue;
        if (stretch == 1.0)
            painter.draw_picture(print_band(band), extent, {0, placed.top});
        else
            painter.draw_picture_scaled(print_band(band), placed, extent);
    }
}

// The code, black modules on white with a light margin of four modules, centred in the
// parking mark's square and as large as whole pixels per module allow, so every edge is sharp.
void CardPicture::paint_code(os::Painter& painter) const {
    constexpr int kMargin = 4;
    if (!symbol_) return;
    const os::PixelRect mark = parking_mark();
    const int modules = symbol_->size() + 2 * kMargin;
    const int module = std::min(mark.width(), mark.height()) / modules;
    if (module < 1) return;
    const int left = mark.left + (mark.width() - modules * module) / 2;
    const int top = mark.top + (mark.height() - modules * module) / 2;
    painter.fill({left, top, left + modules * module, top + modules * module}, os::Colour{0x00FFFFFF});
    for (int y = 0; y < symbol_->size(); ++y)
        for (int x = 0; x < symbol_->size(); ++x)
            if (symbol_->dark(x, y)) {
                const int at_x = left + (kMargin + x) * module, at_y = top + (kMargin + y) * module;
                painter.fill({at_x, at_y, at_x + module, at_y + module}, os::Colour{0});
            }
}

const os::Picture& CardPicture::print_band(int band) const {
    if (!print_bands_)
        print_bands_ =
            std::make_unique<os::PictureSequence>(artwork_of(style_).first_band, card_layout::kPrintBands);
    return print_bands_->get(band);
}
