#include "picture/pdf.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace picture {
namespace {

const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t big_endian(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

PngRows refused(std::wstring why) {
    PngRows rows;
    rows.failure = L"PNG 图片无法放进 PDF: " + std::move(why);
    return rows;
}

// IHDR: width, height, bit depth, colour type, compression, filter method, interlace.
std::wstring unsuitable_header(const std::uint8_t* data, std::uint32_t length) {
    if (length != 13) return L"文件头长度不对";
    if (big_endian(data) == 0 || big_endian(data + 4) == 0 || big_endian(data) > 0x7FFFFFFF ||
        big_endian(data + 4) > 0x7FFFFFFF)
        return L"图片大小不对";
    if (data[8] != 8 || data[9] != 2) return L"只接受 8 位 RGB 图片";
    if (data[10] != 0 || data[11] != 0) return L"不认识的压缩或过滤方法";
    if (data[12] != 0) return L"不接受隔行扫描的图片";
    return {};
}

std::string object_number(int number) { return std::to_string(number) + " 0 R"; }

std::string padded(std::size_t value) {
    const std::string digits = std::to_string(value);
    return std::string(digits.size() < 10 ? 10 - digits.size() : 0, '0') + digits;
}

std::string box(const PdfBox& b) {
    return pdf_number(b.left) + " " + pdf_number(b.bottom) + " " + pdf_number(b.width) + " " + pdf_number(b.height);
}

std::string page_contents(const PdfPage& page) {
    std::string contents;
    for (const PdfBox& place : page.pictures)  // the picture is a unit square, stretched onto its box
        contents += "q " + pdf_number(place.width) + " 0 0 " + pdf_number(place.height) + " " +
                    pdf_number(place.left) + " " + pdf_number(place.bottom) + " cm /Card Do Q\n";
    if (!page.marks.empty()) {
        contents += pdf_number(page.mark_grey / 255.0) + " g\n";
        for (const PdfBox& mark : page.marks) contents += box(mark) + " re\n";
        contents += "f\n";
    }
    return contents;
}

}  // namespace

PngRows read_png_rows(ByteSpan png) {
    if (png.size < 8 || !std::equal(kPngSignature, kPngSignature + 8, png.data)) return refused(L"不是 PNG 图片");
    PngRows rows;
    bool header_seen = false, ended = false;
    for (std::size_t at = 8; !ended;) {
        if (png.size - at < 12) return refused(L"图片不完整");
        const std::uint32_t length = big_endian(png.data + at);
        const std::string type(reinterpret_cast<const char*>(png.data + at + 4), 4);
        const std::uint8_t* data = png.data + at + 8;
        if (length > png.size - at - 12) return refused(L"图片不完整");
        if (!header_seen && type != "IHDR") return refused(L"缺少文件头");
        if (type == "IHDR") {
            if (header_seen) return refused(L"文件头重复");
            header_seen = true;
            if (const std::wstring why = unsuitable_header(data, length); !why.empty()) return refused(why);
            rows.width = static_cast<int>(big_endian(data));
            rows.height = static_cast<int>(big_endian(data + 4));
        } else if (type == "IDAT") {
            if (length > 0) rows.compressed.push_back({data, length});
        } else if (type == "IEND") {
            ended = true;
        } else if (type != "PLTE" && (type[0] & 0x20) == 0) {  // a critical chunk this reader does not know
            return refused(L"不认识的必需数据块 " + std::wstring(type.begin(), type.end()));
        }
        at += 12 + std::size_t(length);
    }
    if (rows.compressed.empty()) return refused(L"没有图像数据");
    return rows;
}

std::vector<ByteSpan> PdfFile::runs() const {
    std::vector<ByteSpan> runs;
    runs.reserve(pieces_.size());
    for (const Piece& piece : pieces_)
        runs.push_back(piece.text.empty()
                           ? piece.elsewhere
                           : ByteSpan{reinterpret_cast<const std::uint8_t*>(piece.text.data()), piece.text.size()});
    return runs;
}

std::string PdfFile::bytes() const {
    std::string whole;
    whole.reserve(size_);
    for (const ByteSpan& run : runs()) whole.append(reinterpret_cast<const char*>(run.data), run.size);
    return whole;
}

// The second line's bytes above 127 tell programs that move files about that this one is binary.
PdfWriter::PdfWriter() { append("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); }

int PdfWriter::reserve() {
    offsets_.push_back(0);
    return static_cast<int>(offsets_.size());
}

void PdfWriter::write_object(int number, const std::string& body) {
    offsets_.at(number - 1) = file_.size_;
    append(std::to_string(number) + " 0 obj\n" + body + "\nendobj\n");
}

void PdfWriter::write_stream(int number, const std::string& entries, const std::vector<ByteSpan>& data) {
    std::size_t length = 0;
    for (const ByteSpan& run : data) length += run.size;
    offsets_.at(number - 1) = file_.size_;
    append(std::to_string(number) + " 0 obj\n<< " + entries + " /Length " + std::to_string(length) +
           " >>\nstream\n");
    for (const ByteSpan& run : data) append(run);
    append("\nendstream\nendobj\n");
}

void PdfWriter::write_stream(int number, const std::string& entries, const std::string& data) {
    offsets_.at(number - 1) = file_.size_;
    append(std::to_string(number) + " 0 obj\n<< " + entries + " /Length " + std::to_string(data.size()) +
           " >>\nstream\n" + data + "\nendstream\nendobj\n");
}

PdfFile PdfWriter::finish(int root, int info) {
    const std::size_t table = file_.size_;
    // Each entry is exactly 20 bytes: ten digits of offset, five of generation, its kind, space, newline.
    std::string xref = "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets_) {
        if (offset == 0) throw std::logic_error("a PDF object was reserved and never written");
        xref += padded(offset) + " 00000 n \n";
    }
    append(xref + "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " + object_number(root) +
           " /Info " + object_number(info) + " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
    return std::move(file_);
}

void PdfWriter::append(std::string text) {
    file_.size_ += text.size();
    file_.pieces_.push_back({std::move(text), {}});
}

void PdfWriter::append(ByteSpan elsewhere) {
    if (elsewhere.size == 0) return;
    file_.size_ += elsewhere.size;
    file_.pieces_.push_back({{}, elsewhere});
}

PdfFile picture_pdf(const PdfPage& page, const PngRows& picture, const std::wstring& title) {
    PdfWriter pdf;
    const int catalog = pdf.reserve(), pages = pdf.reserve(), page_object = pdf.reserve(), contents = pdf.reserve(),
              image = pdf.reserve(), info = pdf.reserve();
    pdf.write_object(catalog, "<< /Type /Catalog /Pages " + object_number(pages) + " >>");
    pdf.write_object(pages, "<< /Type /Pages /Kids [" + object_number(page_object) + "] /Count 1 >>");
    pdf.write_object(page_object, "<< /Type /Page /Parent " + object_number(pages) + " /MediaBox [0 0 " +
                                      pdf_number(page.width) + " " + pdf_number(page.height) +
                                      "] /Resources << /XObject << /Card " + object_number(image) +
                                      " >> >> /Contents " + object_number(contents) + " >>");
    pdf.write_stream(contents, "", page_contents(page));
    const std::string columns = std::to_string(picture.width);
    // The PNG's rows, each with its filter byte: what /Predictor 15 reads.
    pdf.write_stream(image,
                     "/Type /XObject /Subtype /Image /Width " + columns + " /Height " +
                         std::to_string(picture.height) +
                         " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode"
                         " /DecodeParms << /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns " +
                         columns + " >>",
                     picture.compressed);
    pdf.write_object(info, "<< /Title " + pdf_text(title) + " >>");
    return pdf.finish(catalog, info);
}

std::string pdf_number(double value) {
    const long long scaled = std::llround(value * 10000);
    const unsigned long long magnitude = static_cast<unsigned long long>(scaled < 0 ? -scaled : scaled);
    std::string text = (scaled < 0 ? "-" : "") + std::to_string(magnitude / 10000);
    std::string decimals = std::to_string(magnitude % 10000 + 10000).substr(1);
    while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
    return decimals.empty() ? text : text + "." + decimals;
}

std::string pdf_text(const std::wstring& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex = "<FEFF";
    const auto unit = [&](std::uint32_t u) {
        for (const int shift : {12, 8, 4, 0}) hex += kHex[(u >> shift) & 0xF];
    };
    for (const wchar_t c : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {  // where wchar_t holds whole code points: a surrogate pair
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return hex + ">";
}

}  // namespace picture
