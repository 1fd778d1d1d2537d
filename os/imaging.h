// Picture files through the system's imaging component: encoding a drawing as PNG, JPEG or
// BMP with its resolution recorded, a band of rows at a time, and decoding the PNG pictures
// the program carries.
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <string>

#include "os/files.h"
#include "os/painting.h"

namespace os {

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
// How many of those this process has decoded so far, on any thread: the 3x artwork is the
// slowest thing the card draws from, and tests check that it is not decoded again needlessly.
int pictures_decoded();

// The seam for tests: while a decoder is installed, the pictures of a PictureSequence come
// from it (on whichever thread asks) instead of decode_png_resource. Returns the one it
// replaces; pass an empty one to restore the real one.
using PngDecoder = std::function<Picture(int resource)>;
PngDecoder replace_png_decoder_for_tests(PngDecoder decoder);

// Pictures the program carries as consecutive PNG resources, handed out one at a time: while
// the caller draws one, the next is decoded on a thread of its own, so decoding and drawing
// overlap. At most two are in memory.
class PictureSequence {
public:
    PictureSequence(int first_resource, int count);
    PictureSequence(const PictureSequence&) = delete;
    PictureSequence& operator=(const PictureSequence&) = delete;
    ~PictureSequence();

    // Picture i of the sequence; fastest when asked for in order. Throws Failure when it
    // cannot be decoded: a picture with a part missing is never drawn.
    const Picture& get(int index);

private:
    void start_decoding(int index);
    Picture prefetched();

    int first_resource_, count_;
    int current_index_ = -1;
    Picture current_;
    int next_index_ = -1;
    std::future<Picture> next_;
};

}  // namespace os
