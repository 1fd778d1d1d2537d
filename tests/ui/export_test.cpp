// Getting the card out: picture files in three formats at two sizes, Save As through the
// dialog's seam, the clipboard, the menus and the shortcuts.
#include <shlobj.h>
#include <wincodec.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "card/card_picture.h"
#include "desktop/file_dialog.h"
#include "export/card_export.h"
#include "os/clipboard.h"
#include "os/com.h"
#include "os/imaging.h"
#include "program_fixture.h"

namespace {

const std::wstring kPrefix = velmora_identity().temporary_prefix;  // of our temporary files

// A picture read back through the system's imaging component: its size, its recorded
// resolution and its pixels as 0x00RRGGBB rows from the top.
struct Decoded {
    int width = 0, height = 0;
    double dpi_x = 0, dpi_y = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};

Decoded decode(IWICBitmapDecoder* decoder, IWICImagingFactory* factory) {
    Decoded picture;
    os::ComPtr<IWICBitmapFrameDecode> frame;
    os::ComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)))
        return picture;
    frame->GetResolution(&picture.dpi_x, &picture.dpi_y);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    converter->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(picture.pixels.data()));
    return picture;
}

os::ComPtr<IWICImagingFactory> factory() {
    os::ComPtr<IWICImagingFactory> made;
    if (os::com_ready())
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, made.put_void());
    return made;
}

Decoded decode_file(const std::wstring& path) {
    const auto imaging = factory();
    os::ComPtr<IWICBitmapDecoder> decoder;
    if (!imaging || FAILED(imaging->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                              WICDecodeMetadataCacheOnDemand, decoder.put())))
        return {};
    return decode(decoder.get(), imaging.get());
}

Decoded decode_bytes(const std::vector<std::uint8_t>& bytes) {
    const auto imaging = factory();
    os::ComPtr<IWICStream> stream;
    os::ComPtr<IWICBitmapDecoder> decoder;
    if (!imaging || FAILED(imaging->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
        FAILED(imaging->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())))
        return {};
    return decode(decoder.get(), imaging.get());
}

double mean_difference(const Decoded& a, const picture::Pixels& b) {
    double total = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const std::uint32_t p = a.at(x, y), q = b.at(x, y);
            for (int shift : {0, 8, 16}) total += std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF));
        }
    return total / (3.0 * a.width * a.height);
}

int pixels_differing(const Decoded& a, const picture::Pixels& b) {
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) count += a.at(x, y) != b.at(x, y);
    return count;
}

std::wstring scratch_folder() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"velmora-export-test";
    std::filesystem::create_directories(folder);
    return folder.wstring();
}

// A PDF the program wrote, read as far as these tests need: its page, where the card is drawn,
// its title, and the card's picture. The picture's compressed rows are a PNG's IDAT data, so
// they are put back into a PNG and decoded by the system.
struct WrittenPdf {
    std::string bytes;
    std::string media_box;
    int cards_drawn = 0;
    bool titled = false;
    Decoded card;
};

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

void put_chunk(std::vector<std::uint8_t>& png, const std::string& type, const std::string& data) {
    const auto put32 = [&](std::uint32_t v) {
        for (const int shift : {24, 16, 8, 0}) png.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    put32(static_cast<std::uint32_t>(data.size()));
    png.insert(png.end(), type.begin(), type.end());
    png.insert(png.end(), data.begin(), data.end());
    put32(crc32(type + data));
}

int number_after(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + key.size());
}

WrittenPdf read_pdf(const std::wstring& path) {
    WrittenPdf pdf;
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    pdf.bytes.assign(std::istreambuf_iterator<char>(file), {});
    const std::size_t box = pdf.bytes.find("/MediaBox [");
    if (box != std::string::npos) pdf.media_box = pdf.bytes.substr(box + 11, pdf.bytes.find(']', box) - box - 11);
    for (std::size_t at = pdf.bytes.find("/Card Do"); at != std::string::npos; at = pdf.bytes.find("/Card Do", at + 1))
        ++pdf.cards_drawn;
    pdf.titled = pdf.bytes.find("/Title <FEFF632A8F665361005F") != std::string::npos;  // 挪车卡_
    const std::size_t image = pdf.bytes.find("/Subtype /Image");
    if (image == std::string::npos) return pdf;
    const std::string dictionary = pdf.bytes.substr(image, pdf.bytes.find("stream\n", image) - image);
    const int width = number_after(dictionary, "/Width "), height = number_after(dictionary, "/Height ");
    const int length = number_after(dictionary, "/Length ");
    if (width <= 0 || height <= 0 || length <= 0 || dictionary.find("/Predictor 15") == std::string::npos) return pdf;
    const std::string rows = pdf.bytes.substr(image + dictionary.size() + 7, static_cast<std::size_t>(length));
    std::string header;
    for (const int value : {width, height})
        for (const int shift : {24, 16, 8, 0}) header += static_cast<char>(value >> shift);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, not interlaced
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", rows);
    put_chunk(png, "IEND", "");
    pdf.card = decode_bytes(png);
    return pdf;
}

const picture::Pixels& screen_card() {
    static const picture::Pixels card = os::render(CardPicture(1.0, L"13800138000"));
    return card;
}

const picture::Pixels& print_quality_card() {
    static const picture::Pixels card = os::render(CardPicture(3.0, L"13800138000"));
    return card;
}

// The Pictures folder as the system names it, asked the older way, not the program's.
std::wstring system_pictures_folder() {
    wchar_t path[MAX_PATH] = L"";
    const int folder = CSIDL_MYPICTURES | CSIDL_FLAG_CREATE;
    return SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

// A folder standing where a file is to go, removed however the test ends; one that an
// earlier run left behind is cleared first.
class FolderInTheWay {
public:
    explicit FolderInTheWay(std::wstring path) : path_(std::move(path)) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        made_ = std::filesystem::create_directory(path_, ignored);
    }
    FolderInTheWay(const FolderInTheWay&) = delete;
    FolderInTheWay& operator=(const FolderInTheWay&) = delete;
    ~FolderInTheWay() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    bool made() const { return made_; }

private:
    std::wstring path_;
    bool made_ = false;
};

// Another owner with the clipboard open, as another program would hold it: a thread of its
// own opens it and keeps it open until this goes (or for ten seconds at most).
class ClipboardHeldElsewhere {
public:
    ClipboardHeldElsewhere()
        : opened_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, &hold, this, 0, nullptr)) {
        if (thread_) WaitForSingleObject(opened_, 5000);
    }
    ClipboardHeldElsewhere(const ClipboardHeldElsewhere&) = delete;
    ClipboardHeldElsewhere& operator=(const ClipboardHeldElsewhere&) = delete;
    ~ClipboardHeldElsewhere() {
        SetEvent(release_);
        if (thread_) WaitForSingleObject(thread_, 15000);
        for (const HANDLE handle : {thread_, release_, opened_})
            if (handle) CloseHandle(handle);
    }
    bool held() const { return held_; }

private:
    static DWORD WINAPI hold(void* self_pointer) {
        auto* self = static_cast<ClipboardHeldElsewhere*>(self_pointer);
        self->held_ = OpenClipboard(nullptr) != FALSE;
        SetEvent(self->opened_);
        WaitForSingleObject(self->release_, 10000);
        if (self->held_) CloseClipboard();
        return 0;
    }

    bool held_ = false;
    HANDLE opened_, release_, thread_;
};

class ExportTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        std::filesystem::remove_all(scratch_folder());
        folder = scratch_folder();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
        desktop::answer_save_dialogs_with([this](const desktop::SaveDialogRequest& request) {
            dialogs.push_back(request);
            std::optional<desktop::SaveDialogAnswer> answer;
            if (!dialog_answers.empty()) {
                answer = dialog_answers.front();
                dialog_answers.pop_front();
            }
            return answer;
        });
    }
    void TearDown() override {
        desktop::answer_save_dialogs_with({});
        std::filesystem::remove_all(folder);
        ProgramTest::TearDown();
    }

    std::wstring folder;
    std::vector<desktop::SaveDialogRequest> dialogs;
    std::deque<desktop::SaveDialogAnswer> dialog_answers;  // none left: the dialog is cancelled
};

// Each format decodes back to the card it was drawn from, at its size and with its
// resolution recorded: exactly for PNG and BMP, closely for JPEG.
TEST_F(ExportTest, EachFormatHoldsTheCardAtItsSizeAndResolution) {
    const struct {
        const wchar_t* name;
        PictureKind kind;
        PictureSize size;
        bool exact;
    } cases[] = {
        {L"a.png", PictureKind::Png, kScreenSize, true},  {L"b.bmp", PictureKind::Bmp, kScreenSize, true},
        {L"c.jpg", PictureKind::Jpeg, kScreenSize, false}, {L"d.png", PictureKind::Png, kPrintQuality, true},
    };
    const DrawCard draw = velmora_card_drawing(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        const std::wstring path = folder + L"\\" + c.name;
        const ExportOutcome outcome = write_card_picture(draw, L"13800138000", path, c.kind, c.size, kPrefix);
        ASSERT_TRUE(outcome.done) << testing::PrintToString(outcome.failure);
        const Decoded picture = decode_file(path);
        EXPECT_EQ(picture.width, static_cast<int>(std::lround(1199 * c.size.scale)));
        EXPECT_EQ(picture.height, static_cast<int>(std::lround(548 * c.size.scale)));
        EXPECT_NEAR(picture.dpi_x, c.size.dpi, 0.5);
        EXPECT_NEAR(picture.dpi_y, c.size.dpi, 0.5);
        const picture::Pixels& drawn = c.size.scale == 1.0 ? screen_card() : print_quality_card();
        if (c.exact)
            EXPECT_EQ(pixels_differing(picture, drawn), 0);
        else
            EXPECT_LT(mean_difference(picture, drawn), 4.0);  // what JPEG's compression costs
    }
}

// The print-quality card, brought down to screen size by averaging each 3 x 3 block, is the
// screen card: the artwork alike, the digits where they stand at 1x.
TEST_F(ExportTest, ThePrintQualityCardScaledDownIsTheScreenCard) {
    const picture::Pixels& fine = print_quality_card();
    ASSERT_EQ(fine.width(), 3597);
    ASSERT_EQ(fine.height(), 1644);
    const picture::Pixels& coarse = screen_card();
    double total = 0;
    int far_off = 0;
    for (int y = 0; y < 548; ++y)
        for (int x = 0; x < 1199; ++x)
            for (int shift : {0, 8, 16}) {
                int sum = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx) sum += fine.at(3 * x + dx, 3 * y + dy) >> shift & 0xFF;
                const int difference = std::abs(sum / 9 - int(coarse.at(x, y) >> shift & 0xFF));
                total += difference;
                far_off += difference > 96;
            }
    EXPECT_LT(total / (3.0 * 1199 * 548), 3.0) << "mean difference per channel";
    EXPECT_LT(far_off, 3 * 1199 * 548 / 100) << "channels far off (anti-aliased edges differ a little)";

    // Each digit's ink, found at both sizes, stands within a pixel or two of the other.
    CardPicture layout(1.0);
    const auto ink = [](const picture::Pixels& p, os::PixelRect r) {
        os::PixelRect found{r.right, r.bottom, r.left, r.top};
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if ((p.at(x, y) & 0xFF) < 128) found = {std::min(found.left, x), std::min(found.top, y),
                                                        std::max(found.right, x + 1), std::max(found.bottom, y + 1)};
        return found;
    };
    for (int k = 1; k <= 11; ++k) {
        const os::PixelRect slot = layout.slot_bounds(k);
        const os::PixelRect at_1x = ink(coarse, slot);
        const os::PixelRect at_3x = ink(fine, {slot.left * 3, slot.top * 3, slot.right * 3, slot.bottom * 3});
        SCOPED_TRACE(k);
        EXPECT_NEAR(at_3x.left / 3.0, at_1x.left, 2.0);
        EXPECT_NEAR(at_3x.right / 3.0, at_1x.right, 2.0);
        EXPECT_NEAR(at_3x.top / 3.0, at_1x.top, 2.0);
        EXPECT_NEAR(at_3x.bottom / 3.0, at_1x.bottom, 2.0);
    }
}

TEST_F(ExportTest, AFailedWriteLeavesNothingUnderAnyName) {
    const std::wstring missing = folder + L"\\no such folder\\card.png";
    const ExportOutcome outcome =
        write_card_picture(velmora_card_drawing(false), L"1", missing, PictureKind::Png, kScreenSize, kPrefix);
    EXPECT_FALSE(outcome.done);
    EXPECT_NE(outcome.failure.find(missing), std::wstring::npos);
    EXPECT_NE(outcome.failure.find(L"原因: "), std::wstring::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(ExportTest, AReadOnlyTargetIsKeptAsItWas) {
    const std::wstring target = folder + L"\\card.png";
    std::ofstream(std::filesystem::path(target), std::ios::binary) << "an older card";
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));

    const ExportOutcome outcome =
        write_card_picture(velmora_card_drawing(false), L"1", target, PictureKind::Png, kScreenSize, kPrefix);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the fixture can clean up

    EXPECT_FALSE(outcome.done);
    EXPECT_NE(outcome.failure.find(target), std::wstring::npos);
    std::ifstream kept(std::filesystem::path(target), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "an older card");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "no temporary file left";
}

TEST_F(ExportTest, SaveAsWritesWhatTheDialogChoseAndRemembersTheFolder) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    const std::wstring first = folder + L"\\第一张.png", second = folder + L"\\second";
    // PNG at print quality; then JPEG at screen size, no extension
    dialog_answers = {{first, 0, {0, 0}}, {second, 1, {1, 0}}};

    app().run(Velmora::kSaveAs);
    app().run(Velmora::kSaveAs);

    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].file_name, L"挪车卡_13800138000.png");
    ASSERT_FALSE(system_pictures_folder().empty());
    EXPECT_EQ(dialogs[0].folder, system_pictures_folder());
    EXPECT_EQ(dialogs[1].folder, folder) << "the folder used last";
    EXPECT_EQ(dialogs[0].types.front().extension, L"png");
    ASSERT_EQ(dialogs[0].choice_lists.size(), 2u);
    EXPECT_EQ(dialogs[0].choice_lists[0].label, L"大小:");
    EXPECT_EQ(dialogs[0].choice_lists[0].items.front(), L"打印质量 (300 dpi)");
    const Decoded print = decode_file(first);
    EXPECT_EQ(print.width, 3597);
    EXPECT_NEAR(print.dpi_x, 300, 0.5);
    const Decoded screen = decode_file(second + L".jpg");
    EXPECT_EQ(screen.width, 1199);
    EXPECT_NEAR(screen.dpi_x, 100, 0.5);
    EXPECT_EQ(titles().size(), 1u) << "no message for saves that worked";
    EXPECT_EQ(GetFocus(), panel().number_box.handle());
}

// Save As a PDF: the type chosen or the name's extension picks it, the paper list says which
// page, the size list is not asked; the card in it is the print-quality card, losslessly.
TEST_F(ExportTest, SaveAsPdfOnEachPaper) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    const struct {
        const wchar_t* name;
        std::size_t type, paper;
        const wchar_t* written;
        const char* media_box;
        int cards;
    } cases[] = {
        {L"card", 3, 0, L"card.pdf", "0 0 863.2799 394.5599", 1},
        {L"a4.pdf", 0, 1, L"a4.pdf", "0 0 841.89 595.28", 1},
        {L"两张.PDF", 1, 2, L"两张.PDF", "0 0 595.28 841.89", 2},
    };
    for (const auto& c : cases) dialog_answers.push_back({folder + L"\\" + c.name, c.type, {1, c.paper}});
    for (std::size_t k = 0; k < std::size(cases); ++k) app().run(Velmora::kSaveAs);

    ASSERT_EQ(dialogs.size(), std::size(cases));
    const desktop::SaveDialogRequest& request = dialogs[0];
    ASSERT_EQ(request.types.size(), 4u);
    EXPECT_EQ(desktop::shown_type(request.types[3]), L"PDF 文档 (*.pdf)");
    EXPECT_EQ(desktop::shown_type(request.types[0]), L"PNG 图片 (*.png)");
    ASSERT_EQ(request.choice_lists.size(), 2u);
    EXPECT_EQ(request.choice_lists[1].label, L"纸张:");
    EXPECT_EQ(request.choice_lists[1].items, (std::vector<std::wstring>{L"只有停车牌", L"A4 纸", L"A4 纸, 每页两张"}));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        const WrittenPdf pdf = read_pdf(folder + L"\\" + c.written);
        EXPECT_EQ(pdf.bytes.compare(0, 5, "%PDF-"), 0);
        EXPECT_EQ(pdf.media_box, c.media_box);
        EXPECT_EQ(pdf.cards_drawn, c.cards);
        EXPECT_TRUE(pdf.titled);
        EXPECT_EQ(pdf.card.width, 3597) << "print quality, whatever the size list says";
        if (pdf.card.width == 3597) {
            EXPECT_EQ(pixels_differing(pdf.card, print_quality_card()), 0);
        }
    }
    EXPECT_EQ(titles().size(), 1u) << "no message for saves that worked";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 3) << "no temporary file left";
}

TEST_F(ExportTest, SaveAsRefusesWhatItCannotWrite) {
    ASSERT_NO_FATAL_FAILURE(start());
    app().run(Velmora::kSaveAs);  // empty number: a message, no dialog
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(boxes.back().text, L"号码不能为空!");

    type(L"42");
    app().run(Velmora::kSaveAs);  // cancelled: nothing at all
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(boxes.size(), 2u);

    const std::wstring missing = folder + L"\\gone\\42.png";
    dialog_answers = {{missing, 0, {1}}};
    app().run(Velmora::kSaveAs);
    EXPECT_EQ(boxes.back().title, L"保存失败");
    EXPECT_NE(boxes.back().text.find(missing), std::wstring::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// When the folder beside the program cannot be written, the failure offers Save As, which
// opens with the same number.
TEST_F(ExportTest, AFailedSaveOffersToSaveElsewhere) {
    ASSERT_NO_FATAL_FAILURE(start());
    const FolderInTheWay blocked(os::executable_directory() + L"\\保存的临时停车牌_13800138000.bmp");
    ASSERT_TRUE(blocked.made());
    const std::wstring elsewhere = folder + L"\\elsewhere.png";
    dialog_answers = {{elsewhere, 0, {1}}};
    type(L"13800138000");
    answers = {desktop::kAnswerNo, desktop::kAnswerYes};  // go on; yes, save elsewhere
    click(panel().save_button);
    ASSERT_TRUE(pump_until([this] { return !app().save().pending(); }, 5000));

    EXPECT_EQ(titles().back(), L"保存失败");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].file_name, L"挪车卡_13800138000.png");
    EXPECT_EQ(decode_file(elsewhere).width, 1199);
}

TEST_F(ExportTest, CopyPutsTheScreenCardOnTheClipboardAsBitmapAndPng) {
    ASSERT_NO_FATAL_FAILURE(start());
    put_text_on_clipboard(L"replaced by the picture");
    type(L"13800138000");
    app().run(Velmora::kCopyPicture);

    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto bytes_of = [](UINT format) {
        std::vector<std::uint8_t> bytes;
        if (const HANDLE data = GetClipboardData(format)) {
            const auto* p = static_cast<const std::uint8_t*>(GlobalLock(data));
            bytes.assign(p, p + GlobalSize(data));
            GlobalUnlock(data);
        }
        return bytes;
    };
    const std::vector<std::uint8_t> dib = bytes_of(CF_DIB), png = bytes_of(RegisterClipboardFormatW(L"PNG"));
    CloseClipboard();

    ASSERT_GE(dib.size(), 40u);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    EXPECT_EQ(header->biWidth, 1199);
    EXPECT_EQ(header->biHeight, 548);
    EXPECT_EQ(header->biBitCount, 24);
    ASSERT_GE(dib.size(), 40u + 3600u * 548u);
    int off = 0;
    for (int y = 0; y < 548; ++y)
        for (int x = 0; x < 1199; ++x) {
            const std::uint8_t* p = dib.data() + 40 + std::size_t(547 - y) * 3600 + std::size_t(x) * 3;
            off += (std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]) != screen_card().at(x, y);
        }
    EXPECT_EQ(off, 0) << "bitmap pixels unlike the card";
    const Decoded from_png = decode_bytes(png);
    EXPECT_EQ(from_png.width, 1199);
    EXPECT_EQ(pixels_differing(from_png, screen_card()), 0);
    EXPECT_EQ(clipboard_text(), L"");
}

// While another program holds the clipboard open, a copy says that it failed and why, and
// leaves the clipboard as it was; once the clipboard is free, the copy works.
TEST_F(ExportTest, ACopyWhileAnotherProgramHoldsTheClipboardSaysSo) {
    ASSERT_NO_FATAL_FAILURE(start());
    put_text_on_clipboard(L"what the user copied");
    type(L"13800138000");
    const std::size_t boxes_before = boxes.size();
    {
        const ClipboardHeldElsewhere other;
        ASSERT_TRUE(other.held());
        app().run(Velmora::kCopyPicture);
    }
    ASSERT_EQ(boxes.size(), boxes_before + 1);
    const std::wstring text = boxes.back().text, said = L"图片没有复制! ";
    EXPECT_EQ(boxes.back().title, L"复制失败");
    EXPECT_EQ(text.substr(0, said.size()), said);
    EXPECT_GT(text.size(), said.size()) << "no reason given";
    EXPECT_EQ(text.find(L"成功"), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_EQ(clipboard_text(), L"what the user copied");
    EXPECT_EQ(GetFocus(), panel().number_box.handle());

    app().run(Velmora::kCopyPicture);
    EXPECT_EQ(boxes.size(), boxes_before + 1) << "a message for the copy that worked";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"PNG")));
    CloseClipboard();
}

// Ctrl+C and Ctrl+Shift+S run their commands before the number box sees the key; the box's
// own filter stays as it is.
TEST_F(ExportTest, ShortcutsRunBeforeTheNumberBoxSeesTheKey) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"138");
    const HWND box = panel().number_box.handle();
    SetFocus(box);
    const auto press = [&](UINT key, bool shift) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(box, WM_KEYDOWN, key, 1);
        pump_for(50);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    press('S', /*shift=*/true);
    EXPECT_EQ(dialogs.size(), 1u) << "Ctrl+Shift+S opened no Save As";
    press('C', /*shift=*/false);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"PNG")));
    CloseClipboard();
    EXPECT_EQ(panel().number_box.text(), L"138");
    type(std::wstring(1, wchar_t(3)));  // Ctrl+C as a character still goes nowhere
    EXPECT_EQ(panel().number_box.text(), L"138");
}

// The panel's system menu offers the commands, and choosing one runs it.
TEST_F(ExportTest, ThePanelsSystemMenuOffersTheCommands) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"5");
    const HMENU menu = GetSystemMenu(panel().handle(), FALSE);
    SendMessageW(panel().handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
    SendMessageW(panel().handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));  // twice: no doubles
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = L"";
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        texts.emplace_back(text);
    }
    EXPECT_EQ(std::count(texts.begin(), texts.end(), L"复制图片\tCtrl+C"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), L"另存为…\tCtrl+Shift+S"), 1);
    SendMessageW(panel().handle(), WM_SYSCOMMAND, Velmora::kSaveAs, 0);
    EXPECT_EQ(dialogs.size(), 1u);
}

}  // namespace
