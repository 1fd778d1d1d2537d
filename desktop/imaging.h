// Picture files through the system's imaging component: encoding a drawing as PNG, JPEG or
// BMP with its resolution recorded, a band of rows at a time, and decoding the PNG pictures
// the program carries.
#pragma once

#include <memory>
#include <string>

#include "desktop/files.h"
#include "desktop/painting.h"

namespace desktop {

enum class ImageFormat { Png, Jpeg, Bmp };

// A picture file encoded in memory.
class EncodedPicture {
public:
    EncodedPicture();
    EncodedPicture(EncodedPicture&&) noexcept;
    EncodedPicture& operator=(EncodedPicture&&) noexcept;
    ~EncodedPicture();

    explicit operator bool() const;
    ByteRun bytes() const;
    const std::wstring& failure() const { return failure_; }  // why there are no bytes

private:
    friend EncodedPicture encode(const Drawing&, ImageFormat, int);
    struct Memory;
    std::unique_ptr<Memory> memory_;
    std::wstring failure_;
};

// Encodes the drawing, drawn in bands, as a picture file whose recorded resolution is dpi
// (JPEG at quality 95).
EncodedPicture encode(const Drawing& drawing, ImageFormat format, int dpi);

// A PNG picture the program carries as RCDATA, decoded; empty when it cannot be.
Picture decode_png_resource(int resource);

}  // namespace desktop
