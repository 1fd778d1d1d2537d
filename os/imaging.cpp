#include "os/imaging.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "os/com.h"
#include "os/errors.h"
#include "os/failure.h"
#include "os/system_library.h"

#include <wincodec.h>

namespace os {
namespace {

constexpr int kBandRows = 150;

ComPtr<IWICImagingFactory> imaging_factory(HRESULT& result) {
    ComPtr<IWICImagingFactory> factory;
    result = create_instance(CLSID_WICImagingFactory, IID_IWICImagingFactory, factory.put_void());
    return factory;
}

const GUID& container_of(ImageFormat format) {
    switch (format) {
        case ImageFormat::Jpeg: return GUID_ContainerFormatJpeg;
        case ImageFormat::Bmp: return GUID_ContainerFormatBmp;
        case ImageFormat::Png: break;
    }
    return GUID_ContainerFormatPng;
}

// Rows unfiltered: the fastest to encode, and this card compresses as small that way as with
// the encoder's own choice of filters.
HRESULT set_png_filter(IPropertyBag2* options) {
    PROPBAG2 option{};
    option.pstrName = const_cast<wchar_t*>(L"FilterOption");
    VARIANT value{};
    value.vt = VT_UI1;
    value.bVal = WICPngFilterNone;
    return options->Write(1, &option, &value);
}

HRESULT set_jpeg_quality(IPropertyBag2* options) {
    PROPBAG2 option{};
    option.pstrName = const_cast<wchar_t*>(L"ImageQuality");
    VARIANT value{};  // what VariantInit would make of it
    value.vt = VT_R4;
    value.fltVal = 0.95f;
    return options->Write(1, &option, &value);
}

// Hands the drawing to the frame a band at a time, as 24-bit rows from the top.
HRESULT write_rows(const Drawing& drawing, IWICBitmapFrameEncode* frame) {
    const int width = drawing.width();
    const UINT stride = static_cast<UINT>(width) * 3;
    std::vector<BYTE> band(static_cast<std::size_t>(stride) * kBandRows);
    HRESULT result = S_OK;
    const bool drawn = render_in_bands(drawing, kBandRows, [&](int, int rows, const Strip& strip) {
        for (int y = 0; y < rows; ++y) {
            const std::uint32_t* from = strip.row(y);
            BYTE* to = band.data() + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < width; ++x, to += 3) {
                to[0] = from[x] & 0xFF;
                to[1] = (from[x] >> 8) & 0xFF;
                to[2] = (from[x] >> 16) & 0xFF;
            }
        }
        result = frame->WritePixels(static_cast<UINT>(rows), stride, stride * rows, band.data());
        return SUCCEEDED(result);
    });
    return FAILED(result) ? result : drawn ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

struct EncodedPicture::Memory {
    ComPtr<IStream> stream;
    HGLOBAL global = nullptr;
    void* locked = nullptr;
    std::size_t size = 0;
    ~Memory() {
        if (locked) GlobalUnlock(global);
    }
};

EncodedPicture::EncodedPicture() = default;
EncodedPicture::EncodedPicture(EncodedPicture&&) noexcept = default;
EncodedPicture& EncodedPicture::operator=(EncodedPicture&&) noexcept = default;
EncodedPicture::~EncodedPicture() = default;

EncodedPicture::operator bool() const { return memory_ && memory_->locked; }

ByteRun EncodedPicture::bytes() const {
    return *this ? ByteRun{static_cast<const std::uint8_t*>(memory_->locked), memory_->size} : ByteRun{nullptr, 0};
}

EncodedPicture encode(const Drawing& drawing, ImageFormat format, int dpi) {
    EncodedPicture picture;
    const auto failed = [&](const wchar_t* step, HRESULT result) {
        picture.memory_.reset();
        picture.failure_ = std::wstring(step) + L": " + com_reason(result);
        return std::move(picture);
    };
    HRESULT result = S_OK;
    const ComPtr<IWICImagingFactory> factory = imaging_factory(result);
    if (!factory) return failed(L"无法启动图像组件", result);
    auto memory = std::make_unique<EncodedPicture::Memory>();
    static const auto stream_on_memory =
        system_function<decltype(::CreateStreamOnHGlobal)>(L"ole32.dll", "CreateStreamOnHGlobal");
    static const auto memory_of_stream =
        system_function<decltype(::GetHGlobalFromStream)>(L"ole32.dll", "GetHGlobalFromStream");
    if (!stream_on_memory || !memory_of_stream) return failed(L"内存不足", E_NOTIMPL);
    if (FAILED(result = stream_on_memory(nullptr, TRUE, memory->stream.put())))
        return failed(L"内存不足", result);

    ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(result = factory->CreateEncoder(container_of(format), nullptr, encoder.put())))
        return failed(L"无法创建图片编码器", result);
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID pixel_format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(result = encoder->Initialize(memory->stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(result = encoder->CreateNewFrame(frame.put(), options.put())) ||
        (format == ImageFormat::Jpeg && FAILED(result = set_jpeg_quality(options.get()))) ||
        (format == ImageFormat::Png && FAILED(result = set_png_filter(options.get()))) ||
        FAILED(result = frame->Initialize(options.get())) ||
        FAILED(result = frame->SetSize(static_cast<UINT>(drawing.width()), static_cast<UINT>(drawing.height()))) ||
        FAILED(result = frame->SetResolution(dpi, dpi)) ||
        FAILED(result = frame->SetPixelFormat(&pixel_format)))
        return failed(L"无法创建图片编码器", result);
    if (pixel_format != GUID_WICPixelFormat24bppBGR) return failed(L"图片编码器不接受 24 位像素", E_NOTIMPL);
    if (FAILED(result = write_rows(drawing, frame.get())) || FAILED(result = frame->Commit()) ||
        FAILED(result = encoder->Commit()))
        return failed(L"无法编码图片", result);

    STATSTG status{};
    if (FAILED(result = memory_of_stream(memory->stream.get(), &memory->global)) ||
        FAILED(result = memory->stream->Stat(&status, STATFLAG_NONAME)))
        return failed(L"内存不足", result);
    memory->size = static_cast<std::size_t>(status.cbSize.QuadPart);
    memory->locked = GlobalLock(memory->global);
    if (!memory->locked) return failed(L"内存不足", HRESULT_FROM_WIN32(GetLastError()));
    picture.memory_ = std::move(memory);
    return picture;
}

namespace {

std::atomic<int> decoded_count{0};

}  // namespace

int pictures_decoded() { return decoded_count.load(); }

Picture decode_png_resource(int resource) {
    ++decoded_count;
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource), MAKEINTRESOURCEW(10));  // RT_RCDATA
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    auto* bytes = static_cast<BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes) return {};

    HRESULT result = S_OK;
    const ComPtr<IWICImagingFactory> factory = imaging_factory(result);
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    WICPixelFormatGUID format{};
    if (!factory || FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(bytes, SizeofResource(module, found))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) ||
        FAILED(frame->GetPixelFormat(&format)))
        return {};
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * height);
    if (format == GUID_WICPixelFormat24bppBGR) {
        // The artwork's own format: widened here, much faster than through a format converter,
        // a few rows at a time so that only the picture itself takes memory.
        constexpr UINT kRowsAtATime = 16;
        std::vector<BYTE> packed(static_cast<std::size_t>(width) * 3 * kRowsAtATime);
        for (UINT top = 0; top < height; top += kRowsAtATime) {
            const UINT rows_now = std::min(kRowsAtATime, height - top);
            const WICRect part{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows_now)};
            if (FAILED(frame->CopyPixels(&part, width * 3, width * 3 * rows_now, packed.data()))) return {};
            std::uint32_t* out = rows.data() + static_cast<std::size_t>(top) * width;
            for (std::size_t i = 0; i < static_cast<std::size_t>(width) * rows_now; ++i)
                out[i] = std::uint32_t(packed[3 * i + 2]) << 16 | std::uint32_t(packed[3 * i + 1]) << 8 | packed[3 * i];
        }
    } else {
        ComPtr<IWICFormatConverter> converter;
        if (FAILED(factory->CreateFormatConverter(converter.put())) ||
            FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)) ||
            FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(rows.data()))))
            return {};
    }
    return Picture::from_pixels(static_cast<int>(width), static_cast<int>(height), std::move(rows));
}

namespace {

PngDecoder& decoder_for_tests() {
    static PngDecoder installed;
    return installed;
}

Picture decode(int resource) {
    const PngDecoder& replacement = decoder_for_tests();
    return replacement ? replacement(resource) : decode_png_resource(resource);
}

// A thread of its own joins COM's multithreaded apartment for the decoding, and leaves it.
// What it throws reaches the user-interface thread through its future.
Picture decode_on_a_thread_of_its_own(int resource) {
    const ComApartment apartment(ComApartment::Kind::Multithreaded);
    return apartment ? decode(resource) : Picture();
}

}  // namespace

PictureSequence::PictureSequence(int first_resource, int count) : first_resource_(first_resource), count_(count) {}

PictureSequence::~PictureSequence() {
    if (next_.valid()) next_.wait();
}

PngDecoder replace_png_decoder_for_tests(PngDecoder decoder) {
    PngDecoder previous = std::move(decoder_for_tests());
    decoder_for_tests() = std::move(decoder);
    return previous;
}

const Picture& PictureSequence::get(int index) {
    if (index == current_index_ && current_) return current_;
    current_ = {};  // let it go before the next one comes
    current_index_ = -1;
    if (index == next_index_ && next_.valid()) {
        current_ = prefetched();
    } else {
        if (next_.valid()) next_.wait();
        current_ = decode(first_resource_ + index);
    }
    if (!current_) throw Failure(L"停车牌图案的第 " + std::to_wstring(index + 1) + L" 段无法解码。");
    current_index_ = index;
    start_decoding(index + 1);
    return current_;
}

// What the decoding thread made of the next picture; whatever it threw arrives here.
Picture PictureSequence::prefetched() {
    try {
        return next_.get();
    } catch (const std::bad_alloc&) {
        throw Failure(L"内存不足, 停车牌图案无法解码。");
    } catch (const Failure&) {
        throw;
    } catch (...) {
        return {};  // said as a picture that could not be decoded
    }
}

void PictureSequence::start_decoding(int index) {
    next_index_ = index;
    if (index >= count_) return;
    try {
        next_ = std::async(std::launch::async, decode_on_a_thread_of_its_own, first_resource_ + index);
    } catch (const std::system_error&) {
        next_index_ = -1;  // no thread to be had: the next one is decoded when it is asked for
    }
}

}  // namespace os
