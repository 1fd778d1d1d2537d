// A small PDF writer: numbered objects, their cross-reference table and the trailer, and a
// page that shows a picture stretched to boxes and fills grey rectangles. The picture goes in
// as a PNG's own compressed rows: a PDF's FlateDecode filter with the PNG predictors reads
// exactly what a PNG's IDAT chunks hold, so nothing is inflated or deflated here. The file is
// handed out as runs of bytes, the picture's runs pointing into the PNG, so it is never
// copied. No Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace picture {

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// What a PDF needs of a PNG: its size and its compressed rows, the IDAT chunks' contents in
// order (pointing into the PNG). Only 8-bit RGB, not interlaced, is taken.
struct PngRows {
    int width = 0, height = 0;
    std::vector<ByteSpan> compressed;
    std::wstring failure;  // why the PNG was refused; empty when it was read
    explicit operator bool() const { return failure.empty(); }
};
PngRows read_png_rows(ByteSpan png);

// A PDF file as runs of bytes, in order: the writer's own text and runs lying elsewhere.
class PdfFile {
public:
    std::vector<ByteSpan> runs() const;  // valid while this file and the runs it was given live
    std::size_t size() const { return size_; }
    std::string bytes() const;  // the whole file in one piece

private:
    friend class PdfWriter;
    struct Piece {
        std::string text;
        ByteSpan elsewhere;  // used when text is empty
    };
    std::vector<Piece> pieces_;
    std::size_t size_ = 0;
};

// Objects numbered from 1, each reserved before it is written so that objects can refer to
// ones written later; finish() adds the cross-reference table and the trailer.
class PdfWriter {
public:
    PdfWriter();
    int reserve();
    // body is the object's value, e.g. "<< /Type /Catalog /Pages 2 0 R >>".
    void write_object(int number, const std::string& body);
    // A stream: entries are its dictionary's entries but /Length, data its bytes.
    void write_stream(int number, const std::string& entries, const std::vector<ByteSpan>& data);
    void write_stream(int number, const std::string& entries, const std::string& data);
    // Throws std::logic_error when a reserved object was never written.
    PdfFile finish(int root, int info);

private:
    void append(std::string text);
    void append(ByteSpan elsewhere);

    PdfFile file_;
    std::vector<std::size_t> offsets_;  // of object n at n - 1; 0 while unwritten
};

// A box on a page, in points from its lower-left corner.
struct PdfBox {
    double left = 0, bottom = 0, width = 0, height = 0;
};

struct PdfPage {
    double width = 0, height = 0;  // in points
    std::vector<PdfBox> pictures;  // where the picture is shown, stretched to each box
    std::vector<PdfBox> marks;     // filled with mark_grey
    std::uint8_t mark_grey = 0x80;
};

// One page showing the picture; the document's title (shown by readers in place of the file
// name) is written in UTF-16 with a byte-order mark, so it reads right in any language.
PdfFile picture_pdf(const PdfPage& page, const PngRows& picture, const std::wstring& title);

// A number as PDF writes it: at most four decimals, no exponent, whatever the locale.
std::string pdf_number(double value);
// Text as a PDF string in UTF-16BE with its byte-order mark, in hex: <FEFF...>.
std::string pdf_text(const std::wstring& text);

}  // namespace picture
