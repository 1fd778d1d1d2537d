// The card as it is drawn: the artwork with the number's characters in its 11 boxes, at any
// scale. Scale 1 is the card window at 96 dpi, 1199 x 548 pixels, drawn from the 1x artwork
// pixel for pixel; scale 3 is the print-quality picture, 3597 x 1644, drawn from the 3x
// artwork a band at a time; other scales are drawn from the 3x artwork shrunk by area
// averaging (or, above 3, stretched), never from the 1x artwork enlarged. The window, saved
// pictures, the clipboard and the printer all draw the card through here, so they cannot
// drift apart. The card comes in two styles, each with artwork of its own at 1x and 3x: in
// colour, and in black and white for a laser printer, where the digits and the QR code are
// black as they always are.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "card/card_style.h"
#include "card/qr_code.h"
#include "card/slot_captions.h"
#include "os/imaging.h"
#include "os/painting.h"

class CardPicture : public os::Drawing {
public:
    // How often the picture is painted. A picture for a file, the clipboard or the printer is
    // painted once: at scale 3 and above it decodes the 3x artwork a band at a time as it goes
    // and keeps none of it. A window's picture is painted again and again: it keeps its
    // artwork decoded, at every scale.
    enum class Painted { Once, Repeatedly };

    explicit CardPicture(double scale = 1.0, std::wstring_view number = {}, std::string code = {},
                         Painted painted = Painted::Once, CardStyle style = CardStyle::Colour);

    double scale() const { return scale_; }
    CardStyle style() const { return style_; }
    // The slots follow the number; true for each slot whose caption changed.
    std::array<bool, kSlotCount> show_number(std::wstring_view number);
    // A QR code in place of the parking mark, saying this text; none for an empty text, and
    // the mark shows. True when that changed what is drawn.
    bool show_code(std::string code);
    const std::string& code() const { return code_; }
    os::PixelRect parking_mark() const;
    const std::wstring& caption(int k) const { return captions_[k - 1]; }
    os::PixelRect slot_bounds(int k) const;
    // The part of the artwork shown, in twips from the corner (the designed window area
    // unless the window's watchdog says otherwise).
    void set_artwork_extent(int width_twips, int height_twips);

    int width() const override;
    int height() const override;
    void paint(os::Painter& painter) const override;

private:
    int to_pixels(int twips) const;
    void paint_artwork(os::Painter& painter) const;
    void paint_code(os::Painter& painter) const;
    const os::Picture& print_band(int band) const;
    os::Picture shrunk_artwork() const;
    os::Picture whole_print_artwork() const;

    double scale_;
    CardStyle style_;
    SlotCaptions captions_;
    std::string code_;
    std::optional<qr::Symbol> symbol_;
    int extent_width_, extent_height_;  // twips
    os::Picture artwork_;          // at this scale, or the whole 3x artwork; none when drawn from the 3x bands
    os::Font slot_font_;
    mutable std::unique_ptr<os::PictureSequence> print_bands_;  // the 3x artwork, when drawn from it
};
