#include "work.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "trace.h"

namespace floor_work {
namespace {

constexpr int kPasses = 3;      // as a save makes
constexpr UINT kBandRows = 150;  // as velmora.exe hands rows to the encoder

std::wstring program_folder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

bool read_file(const std::wstring& path, std::vector<char>& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    DWORD got = 0;
    const bool read = GetFileSizeEx(file, &size) && (bytes.resize(static_cast<std::size_t>(size.QuadPart)), true) &&
                      ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                      got == bytes.size();
    CloseHandle(file);
    return read;
}

bool write_all(HANDLE file, const char* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// A temporary file beside the target, written, flushed and renamed over it write-through.
bool write_durably(const std::wstring& target, const char* data, std::size_t size) {
    static unsigned counter = 0;
    wchar_t name[32];
    std::swprintf(name, 32, L"floor-%08x.tmp", (GetCurrentProcessId() << 16) ^ ++counter);
    const std::wstring temporary = target.substr(0, target.find_last_of(L"\\/") + 1) + name;
    const HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    floor_trace::line("write.created");
    bool done = write_all(file, data, size);
    if (done) floor_trace::line("write.written");
    done = done && FlushFileBuffers(file);
    if (done) floor_trace::line("write.flushed");
    CloseHandle(file);
    done = done && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!done) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    floor_trace::line("write.renamed");
    return true;
}

template <class T>
class Com {  // releases its interface once
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    T** put() { return &p; }
    T* p = nullptr;
};

// ole32 is asked for by name, not imported: the plain floor then loads no more than a bare
// window program does.
template <class F>
F* ole32(const char* name) {
    static const HMODULE module = LoadLibraryW(L"ole32.dll");
    return module ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

struct Rows {
    UINT width = 0, height = 0, stride = 0;
    std::vector<BYTE> bytes;
};

// A bottom-up 24-bit BMP's rows, top row first, without their padding.
bool read_bmp(const std::wstring& source, Rows& rows) {
    std::vector<char> file;
    if (!read_file(source, file) || file.size() < 54) return false;
    const auto number = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at]) |
                                          static_cast<unsigned char>(file[at + 1]) << 8 |
                                          static_cast<unsigned char>(file[at + 2]) << 16 |
                                          static_cast<unsigned>(static_cast<unsigned char>(file[at + 3])) << 24);
    };
    const std::uint32_t offset = number(10), width = number(18), height = number(22);
    if (file[28] != 24 || static_cast<int>(height) <= 0) return false;
    rows.width = width;
    rows.height = height;
    rows.stride = width * 3;
    const std::size_t padded = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (file.size() < offset + padded * height) return false;
    rows.bytes.resize(static_cast<std::size_t>(rows.stride) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        std::copy_n(file.begin() + offset + padded * (height - 1 - y), rows.stride,
                    rows.bytes.begin() + static_cast<std::ptrdiff_t>(y) * rows.stride);
    return true;
}

HRESULT set_no_filter(IPropertyBag2* options) {
    PROPBAG2 option{};
    option.pstrName = const_cast<wchar_t*>(L"FilterOption");
    VARIANT value{};
    value.vt = VT_UI1;
    value.bVal = WICPngFilterNone;
    return options->Write(1, &option, &value);
}

// The rows encoded as PNG into a stream in memory, whose memory is handed back locked.
bool encode(IWICImagingFactory* factory, const Rows& rows, IStream* stream) {
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put())) || FAILED(set_no_filter(options.p)) ||
        FAILED(frame->Initialize(options.p)) || FAILED(frame->SetSize(rows.width, rows.height)) ||
        FAILED(frame->SetResolution(300, 300)) || FAILED(frame->SetPixelFormat(&format)))
        return false;
    std::vector<BYTE> band(static_cast<std::size_t>(rows.stride) * kBandRows);
    for (UINT top = 0; top < rows.height; top += kBandRows) {
        const UINT count = std::min(kBandRows, rows.height - top);
        std::copy_n(rows.bytes.begin() + static_cast<std::ptrdiff_t>(top) * rows.stride, count * rows.stride,
                    band.begin());
        if (FAILED(frame->WritePixels(count, rows.stride, count * rows.stride, band.data()))) return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

bool encode_and_write(IWICImagingFactory* factory, const Rows& rows, const std::wstring& out) {
    const auto stream_on_memory = ole32<decltype(::CreateStreamOnHGlobal)>("CreateStreamOnHGlobal");
    const auto memory_of_stream = ole32<decltype(::GetHGlobalFromStream)>("GetHGlobalFromStream");
    Com<IStream> stream;
    HGLOBAL memory = nullptr;
    STATSTG status{};
    if (!stream_on_memory || !memory_of_stream || FAILED(stream_on_memory(nullptr, TRUE, stream.put())) ||
        !encode(factory, rows, stream.p) || FAILED(memory_of_stream(stream.p, &memory)) ||
        FAILED(stream->Stat(&status, STATFLAG_NONAME)))
        return false;
    const void* bytes = GlobalLock(memory);
    const bool written = bytes && write_durably(out, static_cast<const char*>(bytes),
                                                static_cast<std::size_t>(status.cbSize.QuadPart));
    if (bytes) GlobalUnlock(memory);
    return written;
}

}  // namespace

int durable_writes(const std::wstring& source, int rounds, int pause_ms) {
    std::vector<char> bytes;
    if (!read_file(source, bytes)) return 2;
    const std::wstring target = program_folder() + L"floor-save.bmp";
    for (int round = 0; round < rounds; ++round) {
        Sleep(static_cast<DWORD>(pause_ms));
        floor_trace::line("writes.start");
        for (int pass = 0; pass < kPasses; ++pass)
            if (!write_durably(target, bytes.data(), bytes.size())) {
                floor_trace::line("writes.failed");
                return 1;
            }
        floor_trace::line("writes.done");
    }
    return 0;
}

int png_encode(const std::wstring& source, const std::wstring& out) {
    Rows rows;
    if (!read_bmp(source, rows)) return 2;
    const auto initialize = ole32<decltype(::CoInitializeEx)>("CoInitializeEx");
    const auto create = ole32<decltype(::CoCreateInstance)>("CoCreateInstance");
    if (!initialize || !create || FAILED(initialize(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    floor_trace::line("export.start");
    Com<IWICImagingFactory> factory;
    const bool done = SUCCEEDED(create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                       reinterpret_cast<void**>(factory.put()))) &&
                      encode_and_write(factory.p, rows, out);
    floor_trace::line(done ? "export.written" : "export.failed");
    return done ? 0 : 1;
}

}  // namespace floor_work
