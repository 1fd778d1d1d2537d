// The PDF writer, read back the way a PDF reader finds its way through a file: from startxref
// to the cross-reference table, from there to each object; and the card's pages.
#include "picture/pdf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "export/card_pdf.h"
#include "export/print_layout.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put_chunk(Bytes& png, const std::string& type, const Bytes& data) {
    for (const int shift : {24, 16, 8, 0}) png.push_back(static_cast<std::uint8_t>(data.size() >> shift));
    png.insert(png.end(), type.begin(), type.end());
    png.insert(png.end(), data.begin(), data.end());
    png.insert(png.end(), 4, 0);  // the CRC, which the reader leaves to the PDF's reader
}

Bytes header(int width, int height, int depth = 8, int colour = 2, int interlace = 0) {
    Bytes data;
    for (const int value : {width, height})
        for (const int shift : {24, 16, 8, 0}) data.push_back(static_cast<std::uint8_t>(value >> shift));
    data.insert(data.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colour), 0, 0,
                             static_cast<std::uint8_t>(interlace)});
    return data;
}

// A PNG's outline: the signature, the chunks given, IEND. The IDAT contents are stand-ins:
// only their bytes and order matter here.
Bytes png_of(const std::vector<std::pair<std::string, Bytes>>& chunks, bool end = true) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& [type, data] : chunks) put_chunk(png, type, data);
    if (end) put_chunk(png, "IEND", {});
    return png;
}

const Bytes kFirst = {'z', 0x01, 0x02}, kSecond = {0x03, 0x04, 0x05, 0x06}, kThird = {0x07};

Bytes three_chunk_png() {
    return png_of({{"IHDR", header(7, 5)}, {"pHYs", Bytes(9, 1)}, {"IDAT", kFirst}, {"IDAT", kSecond},
                   {"IDAT", {}}, {"IDAT", kThird}});
}

std::string joined(const std::vector<picture::ByteSpan>& spans) {
    std::string bytes;
    for (const auto& span : spans) bytes.append(reinterpret_cast<const char*>(span.data), span.size);
    return bytes;
}

picture::ByteSpan span(const Bytes& bytes) { return {bytes.data(), bytes.size()}; }

TEST(PngRows, TheIdatChunksInOrderAndTheSize) {
    const Bytes png = three_chunk_png();
    const picture::PngRows rows = picture::read_png_rows(span(png));
    ASSERT_TRUE(rows) << testing::PrintToString(rows.failure);
    EXPECT_EQ(rows.width, 7);
    EXPECT_EQ(rows.height, 5);
    EXPECT_EQ(joined(rows.compressed), "z\x01\x02\x03\x04\x05\x06\x07");
    for (const auto& run : rows.compressed)  // pointing into the PNG, not copied
        EXPECT_TRUE(run.data >= png.data() && run.data + run.size <= png.data() + png.size());
}

TEST(PngRows, AnythingButWhole8BitRgbIsRefused) {
    Bytes truncated = three_chunk_png();
    truncated.resize(truncated.size() - 20);
    Bytes bad_signature = three_chunk_png();
    bad_signature[1] = 'Q';
    const struct {
        const char* what;
        Bytes png;
        const wchar_t* says;
    } cases[] = {
        {"not a PNG", bad_signature, L"不是 PNG 图片"},
        {"too short for a signature", Bytes{0x89, 'P'}, L"不是 PNG 图片"},
        {"cut short", truncated, L"不完整"},
        {"no IEND", png_of({{"IHDR", header(7, 5)}, {"IDAT", kFirst}}, /*end=*/false), L"不完整"},
        {"RGBA", png_of({{"IHDR", header(7, 5, 8, 6)}, {"IDAT", kFirst}}), L"8 位 RGB"},
        {"16 bits", png_of({{"IHDR", header(7, 5, 16, 2)}, {"IDAT", kFirst}}), L"8 位 RGB"},
        {"palette", png_of({{"IHDR", header(7, 5, 8, 3)}, {"PLTE", Bytes(3, 0)}, {"IDAT", kFirst}}), L"8 位 RGB"},
        {"grey", png_of({{"IHDR", header(7, 5, 8, 0)}, {"IDAT", kFirst}}), L"8 位 RGB"},
        {"interlaced", png_of({{"IHDR", header(7, 5, 8, 2, 1)}, {"IDAT", kFirst}}), L"隔行"},
        {"no size", png_of({{"IHDR", header(0, 5)}, {"IDAT", kFirst}}), L"大小"},
        {"IDAT before IHDR", png_of({{"IDAT", kFirst}, {"IHDR", header(7, 5)}}), L"文件头"},
        {"short IHDR", png_of({{"IHDR", Bytes(12, 1)}, {"IDAT", kFirst}}), L"文件头"},
        {"no IDAT", png_of({{"IHDR", header(7, 5)}}), L"没有图像数据"},
        {"unknown critical chunk", png_of({{"IHDR", header(7, 5)}, {"ABCD", {}}, {"IDAT", kFirst}}), L"ABCD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const picture::PngRows rows = picture::read_png_rows(span(c.png));
        EXPECT_FALSE(rows);
        EXPECT_NE(rows.failure.find(c.says), std::wstring::npos) << testing::PrintToString(rows.failure);
    }
}

// A written PDF, found through as a reader does.
struct ReadPdf {
    std::string bytes;
    std::size_t xref_at = 0;
    std::map<int, std::size_t> objects;  // number: offset, from the table
    std::string trailer;

    explicit ReadPdf(std::string file) : bytes(std::move(file)) {
        const std::size_t start = bytes.rfind("startxref\n");
        if (start == std::string::npos) return;
        xref_at = std::strtoull(bytes.c_str() + start + 10, nullptr, 10);
        if (bytes.compare(xref_at, 5, "xref\n") != 0) return;
        std::size_t at = xref_at + 5;
        const int first = std::atoi(bytes.c_str() + at);
        const int count = std::atoi(bytes.c_str() + bytes.find(' ', at) + 1);
        at = bytes.find('\n', at) + 1;
        for (int n = first; n < first + count; ++n, at += 20) {
            const std::string entry = bytes.substr(at, 20);
            if (entry.size() == 20 && entry[17] == 'n') objects[n] = std::strtoull(entry.c_str(), nullptr, 10);
            else if (entry != "0000000000 65535 f \n") objects[-1] = 0;  // malformed: the test will say so
        }
        trailer = bytes.substr(at, start - at);
    }

    // Object n's text from "n 0 obj" to "endobj".
    std::string object(int n) const {
        const auto found = objects.find(n);
        if (found == objects.end()) return {};
        const std::size_t end = bytes.find("endobj", found->second);
        return end == std::string::npos ? std::string() : bytes.substr(found->second, end - found->second);
    }
    // The number of the object that key refers to ("/Root 1 0 R", "/Kids [3 0 R]"), or 0.
    int reference(const std::string& text, const std::string& key) const {
        std::size_t at = text.find(key + " ");
        if (at == std::string::npos) return 0;
        at = text.find_first_not_of(" [", at + key.size());
        return at == std::string::npos ? 0 : std::atoi(text.c_str() + at);
    }
    std::string first_page() const {
        const std::string pages = object(reference(object(reference(trailer, "/Root")), "/Pages"));
        return object(reference(pages, "/Kids"));
    }
};

// "挪车卡_13800138000" in UTF-16BE after FE FF.
std::string title_hex() {
    std::string hex = "<FEFF" "632A" "8F66" "5361" "005F";
    for (const char digit : std::string("13800138000")) hex += std::string("003") + digit;
    return hex + ">";
}

TEST(Pdf, EveryTableEntryLeadsToItsObjectAndTheTrailerToTheTable) {
    const Bytes png = three_chunk_png();
    const picture::PngRows rows = picture::read_png_rows(span(png));
    ASSERT_TRUE(rows);
    picture::PdfPage page;
    page.width = 863.28;
    page.height = 394.56;
    page.pictures = {{0, 0, 863.28, 394.56}};
    const picture::PdfFile file = picture::picture_pdf(page, rows, L"挪车卡_13800138000");
    const ReadPdf pdf(file.bytes());
    EXPECT_EQ(pdf.bytes.size(), file.size());

    EXPECT_EQ(pdf.bytes.compare(0, 9, "%PDF-1.4\n"), 0);
    EXPECT_EQ(pdf.bytes.substr(pdf.bytes.size() - 6), "%%EOF\n");
    ASSERT_EQ(pdf.bytes.compare(pdf.xref_at, 5, "xref\n"), 0) << "startxref points at the table";
    ASSERT_EQ(pdf.objects.count(-1), 0u) << "every entry 20 bytes, the first the free head";
    ASSERT_EQ(pdf.objects.size(), 6u);
    for (const auto& [number, offset] : pdf.objects)
        EXPECT_EQ(pdf.bytes.compare(offset, std::to_string(number).size() + 6, std::to_string(number) + " 0 obj"), 0)
            << "object " << number;
    EXPECT_NE(pdf.trailer.find("/Size 7 "), std::string::npos) << pdf.trailer;

    const std::string catalog = pdf.object(pdf.reference(pdf.trailer, "/Root"));
    EXPECT_NE(catalog.find("/Type /Catalog"), std::string::npos);
    const std::string info = pdf.object(pdf.reference(pdf.trailer, "/Info"));
    EXPECT_NE(info.find("/Title " + title_hex()), std::string::npos) << info;

    const std::string pages = pdf.object(pdf.reference(catalog, "/Pages"));
    EXPECT_NE(pages.find("/Count 1"), std::string::npos);
    const std::string the_page = pdf.object(pdf.reference(pages, "/Kids"));
    EXPECT_NE(the_page.find("/MediaBox [0 0 863.28 394.56]"), std::string::npos) << the_page;
    const std::string contents = pdf.object(pdf.reference(the_page, "/Contents"));
    EXPECT_NE(contents.find("q 863.28 0 0 394.56 0 0 cm /Card Do Q"), std::string::npos) << contents;
    EXPECT_EQ(contents.find(" re"), std::string::npos) << "no marks asked for";

    const std::string image = pdf.object(pdf.reference(the_page, "/Card"));
    EXPECT_NE(image.find("/Subtype /Image /Width 7 /Height 5 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                         "/Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 /BitsPerComponent 8 "
                         "/Columns 7 >> /Length 8 >>\nstream\n"
                         "z\x01\x02\x03\x04\x05\x06\x07"
                         "\nendstream"),
              std::string::npos)
        << "the IDAT chunks joined, their length given";
}

TEST(Pdf, MarksAreFilledInTheirGrey) {
    const Bytes png = three_chunk_png();
    picture::PdfPage page;
    page.width = 595.28;
    page.height = 841.89;
    page.pictures = {{10, 400, 566.5, 258.9}, {10.25, 20, 566.5, 258.9}};
    page.marks = {{1.5, 2.25, 0.57, 11.34}, {100, 200, 11.34, 0.57}};
    const ReadPdf pdf(picture::picture_pdf(page, picture::read_png_rows(span(png)), L"x").bytes());
    const std::string contents = pdf.object(pdf.reference(pdf.first_page(), "/Contents"));
    EXPECT_NE(contents.find("q 566.5 0 0 258.9 10 400 cm /Card Do Q\nq 566.5 0 0 258.9 10.25 20 cm /Card Do Q\n"
                            "0.502 g\n1.5 2.25 0.57 11.34 re\n100 200 11.34 0.57 re\nf\n"),
              std::string::npos)
        << contents;
}

TEST(Pdf, AnObjectReservedAndNeverWrittenIsAFault) {
    picture::PdfWriter pdf;
    const int catalog = pdf.reserve(), missing = pdf.reserve();
    pdf.write_object(catalog, "<< /Type /Catalog >>");
    EXPECT_NE(missing, catalog);
    EXPECT_THROW(pdf.finish(catalog, catalog), std::logic_error);
}

TEST(Pdf, NumbersAndText) {
    const struct {
        double value;
        const char* text;
    } numbers[] = {{0, "0"}, {1, "1"}, {863.28, "863.28"}, {128 / 255.0, "0.502"}, {-2.5, "-2.5"},
                   {841.88976, "841.8898"}, {0.00001, "0"}, {1199 * 25.4 / 100 / 25.4 * 72, "863.28"}};
    for (const auto& n : numbers) EXPECT_EQ(picture::pdf_number(n.value), n.text) << n.value;
    EXPECT_EQ(picture::pdf_text(L"挪车卡_13800138000"), title_hex());
    EXPECT_EQ(picture::pdf_text(L""), "<FEFF>");
}

double mm(double points) { return points / 72 * 25.4; }

bool inside(const picture::PdfBox& inner, const picture::PdfBox& outer) {
    constexpr double e = 1e-6;  // the arithmetic's own error
    return inner.left >= outer.left - e && inner.bottom >= outer.bottom - e &&
           inner.left + inner.width <= outer.left + outer.width + e &&
           inner.bottom + inner.height <= outer.bottom + outer.height + e;
}

bool overlap(const picture::PdfBox& a, const picture::PdfBox& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.bottom < b.bottom + b.height &&
           b.bottom < a.bottom + a.height;
}

TEST(CardPdf, TheCardsOwnPageHoldsItEdgeToEdge) {
    const picture::PdfPage page = card_pdf_page(PdfPaper::Card);
    EXPECT_NEAR(page.width, 863.28, 0.001);  // 1199 pixels at 100 dpi
    EXPECT_NEAR(page.height, 394.56, 0.001);
    for (const double dpi : {300.0, 600.0, 200.0, 100.0}) {  // whole pixels, as a reader rounds them up
        EXPECT_EQ(std::ceil(std::stod(picture::pdf_number(page.width)) * (dpi / 72)), 1199 * dpi / 100) << dpi;
        EXPECT_EQ(std::ceil(std::stod(picture::pdf_number(page.height)) * (dpi / 72)), 548 * dpi / 100) << dpi;
    }
    ASSERT_EQ(page.pictures.size(), 1u);
    EXPECT_EQ(page.pictures[0].left, 0);
    EXPECT_EQ(page.pictures[0].bottom, 0);
    EXPECT_EQ(page.pictures[0].width, page.width);
    EXPECT_EQ(page.pictures[0].height, page.height);
    EXPECT_TRUE(page.marks.empty());
}

// On A4 the cards lie where printing puts them on a sheet with no unprintable edge, worked out
// here at 300 dpi (to its pixel), and every cut mark lies outside every card, on the page.
TEST(CardPdf, OnA4TheCardsAndMarksLieWherePrintingPutsThem) {
    const struct {
        PdfPaper paper;
        double width_mm, height_mm;
        int cards;
    } cases[] = {{PdfPaper::A4, 297, 210, 1}, {PdfPaper::A4TwoCards, 210, 297, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cards);
        const picture::PdfPage page = card_pdf_page(c.paper);
        EXPECT_NEAR(mm(page.width), c.width_mm, 0.01);
        EXPECT_NEAR(mm(page.height), c.height_mm, 0.01);
        const int width = static_cast<int>(std::lround(c.width_mm / 25.4 * 300));
        const int height = static_cast<int>(std::lround(c.height_mm / 25.4 * 300));
        const PrintLayout printed = lay_out_card({300, 300, width, height, 0, 0, width, height}, c.cards);
        ASSERT_EQ(page.pictures.size(), printed.cards.size());
        for (std::size_t k = 0; k < printed.cards.size(); ++k) {
            const CardPlace& card = printed.cards[k];
            const picture::PdfBox& box = page.pictures[k];
            const double px = 25.4 / 300;  // a printer pixel, in mm
            EXPECT_NEAR(mm(box.left), card.left * px, px);
            EXPECT_NEAR(c.height_mm - mm(box.bottom + box.height), card.top * px, px) << "counted from the top";
            EXPECT_NEAR(mm(box.width), card.width * px, px);
            EXPECT_NEAR(mm(box.height), card.height * px, px);
        }
        ASSERT_EQ(page.marks.size(), 8u * c.cards) << "four corners, two lines each";
        const picture::PdfBox sheet{0, 0, page.width, page.height};
        for (const picture::PdfBox& mark : page.marks) {
            EXPECT_TRUE(inside(mark, sheet));
            EXPECT_NEAR(mm(std::min(mark.width, mark.height)), 0.2, 0.01);
            EXPECT_NEAR(mm(std::max(mark.width, mark.height)), 4, 0.01);
            for (const picture::PdfBox& card : page.pictures) EXPECT_FALSE(overlap(mark, card));
        }
    }
}

}  // namespace
