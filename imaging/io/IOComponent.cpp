#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Streams.h"
#include "platform/win/net/WinInet.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace imaging {

namespace {

// Runs DoFinishWork once when an operation ends, also when an exception leaves it.
class TIOFinishGuard {
public:
    explicit TIOFinishGuard(TImageKitIO& io) : FIO(io) {}
    ~TIOFinishGuard() {
        try {
            FIO.DoFinishWork();
        } catch (...) {
            // An event handler that raises while an exception is already on its way is not let through.
        }
    }
    TIOFinishGuard(const TIOFinishGuard&) = delete;
    TIOFinishGuard& operator=(const TIOFinishGuard&) = delete;

private:
    TImageKitIO& FIO;
};

std::string IOCompLower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The TIFF reader reports the page count and the alpha mask itself; the working image takes the mask.
void IOCompReadTiff(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                    TIKProgressContext& progress, bool paramsOnly) {
    int32_t pages = 0;
    std::unique_ptr<TIKMask> mask;
    DecodeTiffToBitmap(bitmap, stream, pages, params, progress, paramsOnly, paramsOnly ? nullptr : &mask,
                       true, false);
    if (mask && !paramsOnly && !progress.IsAborting())
        bitmap->GetAlphaChannel()->AssignMask(mask.get());
}

TIKFormatReadProc IOCompReader(int32_t formatId) {
    if (formatId == ikfTiff)
        return IOCompReadTiff;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    return entry ? entry->Read : nullptr;
}

bool HasIOCompPixels(TIKBitmap* bitmap) {
    return bitmap->Width() > 0 && bitmap->Height() > 0 && bitmap->PixelFormat() != ikbfNone;
}

// Thrown inside a safe save whose writer reported failure, so that the target file stays as it was.
struct TIOCompSaveFailed {};

// Closes the handles of one HTTP transfer, innermost first.
struct TIOCompNetHandles {
    win::HINTERNET Session = nullptr;
    win::HINTERNET Connection = nullptr;
    win::HINTERNET Request = nullptr;
    ~TIOCompNetHandles() {
        if (Request)
            win::InternetCloseHandle(Request);
        if (Connection)
            win::InternetCloseHandle(Connection);
        if (Session)
            win::InternetCloseHandle(Session);
    }
};

constexpr char IOCompUrlPrefix[] = "http://";
constexpr size_t IOCompUrlPrefixLength = 7;
constexpr uint32_t IOCompTransferBuffer = 65536;

} // namespace

TImageKitIO::TImageKitIO(vcl::TComponent* owner)
    : vcl::TComponent(owner), FOwnedBitmap(std::make_unique<TIKBitmap>()),
      FParams(std::make_unique<TIOParamsVals>(static_cast<TIOParamsOwner*>(this))) {
    FBitmap = FOwnedBitmap.get();
}

TImageKitIO::~TImageKitIO() = default;

void TImageKitIO::AttachIKBitmap(TIKBitmap* bitmap) {
    if (bitmap) {
        FBitmap = bitmap;
        FOwnedBitmap.reset();
    } else {
        FOwnedBitmap = std::make_unique<TIKBitmap>();
        FBitmap = FOwnedBitmap.get();
    }
}

bool TImageKitIO::GetAttachedBitmapSize(int32_t&, int32_t&) const {
    return false;
}
bool TImageKitIO::GetAttachedViewDpi(int32_t&, int32_t&) const {
    return false;
}

void TImageKitIO::DoFinishWork() {
    if (OnProgress)
        OnProgress(this, 100);
    if (OnFinishWork)
        OnFinishWork(this);
}

TIKProgressContext TImageKitIO::MakeProgress() {
    TIKProgressContext progress(FAborting);
    progress.OnProgress = OnProgress;
    progress.Sender = this;
    return progress;
}

int32_t TImageKitIO::FormatIdOfExtension(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return ikfUnknown;
    const std::string ext = IOCompLower(fileName.substr(dot + 1));
    if (ext.empty())
        return ikfUnknown;
    const TIKFormatEntry* entry = FindFormatEntryByExtension(ext);
    return entry ? entry->FormatId : int32_t(ikfUnknown);
}

void TImageKitIO::ReadWithFormat(vcl::TStream* stream, int32_t formatId, const std::string& fileName) {
    FParams->ClearAll();
    FParams->FileName.clear();
    FParams->FileType = ikfUnknown;
    const TIKFormatReadProc read = IOCompReader(formatId);
    if (!read) {
        FAborting = true;
        return;
    }
    TIKProgressContext progress = MakeProgress();
    FBitmap->RemoveAlphaChannel();
    read(stream, FBitmap, *FParams, progress, false);
    FParams->FileName = fileName;
    FParams->FileType = formatId;
}

void TImageKitIO::LoadFromFileByExtension(const std::string& fileName) {
    if (!FBitmap)
        return;
    if (fileName.empty()) {
        FAborting = true;
        DoFinishWork();
        return;
    }
    if (IOCompLower(fileName.substr(0, IOCompUrlPrefixLength)) == IOCompUrlPrefix) {
        LoadFromUrl(fileName);
        return;
    }
    const int32_t id = FormatIdOfExtension(fileName);
    if (id == ikfUnknown || !IOCompReader(id)) {
        FAborting = true;
        FParams->FileName.clear();
        FParams->FileType = ikfUnknown;
        DoFinishWork();
        return;
    }
    LoadFromFileOfFormat(fileName, id);
}

void TImageKitIO::LoadFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    TIOFinishGuard finish(*this);
    FAborting = true;
    if (!FBitmap)
        return;
    if (!IOCompReader(formatId)) {
        FParams->ClearAll();
        FParams->FileName.clear();
        FParams->FileType = ikfUnknown;
        return;
    }
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    FAborting = false;
    ReadWithFormat(&file, formatId, fileName);
}

void TImageKitIO::LoadFromStreamDetected(vcl::TStream* stream) {
    const int64_t start = stream->GetPosition();
    const int32_t id = FindStreamFormat(stream);
    stream->SetPosition(start);
    LoadFromStreamOfFormat(stream, id);
}

void TImageKitIO::LoadFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    TIOFinishGuard finish(*this);
    FAborting = false;
    if (!FBitmap)
        return;
    ReadWithFormat(stream, formatId, std::string());
}

void TImageKitIO::SaveToStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (!entry || !entry->Write) {
        FAborting = true;
        return;
    }
    TIOFinishGuard finish(*this);
    FAborting = false;
    if (!FBitmap)
        return;
    if (!HasIOCompPixels(FBitmap)) {
        // An image without pixels has nothing to write; an existing file stays as it was.
        FAborting = true;
        return;
    }
    if (FBitmap->PixelFormat() != ikbf24Bit && FBitmap->PixelFormat() != ikbf1Bit)
        FBitmap->SetPixelFormat(ikbf24Bit);
    TIKProgressContext progress = MakeProgress();
    FParams->FileType = formatId;
    entry->Write(stream, FBitmap, *FParams, progress);
}

void TImageKitIO::SaveToFileByExtension(const std::string& fileName) {
    if (fileName.empty())
        return;
    const int32_t id = FormatIdOfExtension(fileName);
    const TIKFormatEntry* entry = id == ikfUnknown ? nullptr : FindFormatEntryById(id);
    if (!entry || !entry->Write || entry->Write == NoFormatWrite) {
        FAborting = true;
        return;
    }
    TIOFinishGuard finish(*this);
    FAborting = true;
    if (!FBitmap)
        return;
    if (!HasIOCompPixels(FBitmap)) {
        // An image without pixels has nothing to write; an existing file stays as it was.
        FAborting = true;
        return;
    }
    if (FBitmap->PixelFormat() != ikbf24Bit && FBitmap->PixelFormat() != ikbf1Bit)
        FBitmap->SetPixelFormat(ikbf24Bit);
    try {
        vcl::SaveFileSafely(fileName, [&](vcl::TStream& stream) {
            FAborting = false;
            TIKProgressContext progress = MakeProgress();
            entry->Write(&stream, FBitmap, *FParams, progress);
            if (FAborting)
                throw TIOCompSaveFailed();
        });
    } catch (const TIOCompSaveFailed&) {
        FAborting = true;
        return;
    }
    FParams->FileName = fileName;
    FParams->FileType = id;
}

void TImageKitIO::ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    TIOFinishGuard finish(*this);
    FParams->FileType = formatId;
    FParams->ClearAll();
    FAborting = true;
    try {
        const TIKFormatReadProc read = IOCompReader(formatId);
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        FAborting = false;
        TIKProgressContext progress(FAborting);
        if (read)
            read(&file, FBitmap, *FParams, progress, true);
        else
            FAborting = true;
    } catch (...) {
        FAborting = true;
    }
    if (FAborting)
        FParams->FileType = ikfUnknown;
    FParams->FileName = fileName;
}

void TImageKitIO::ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    TIOFinishGuard finish(*this);
    FParams->FileType = formatId;
    FParams->ClearAll();
    FAborting = false;
    try {
        const TIKFormatReadProc read = IOCompReader(formatId);
        TIKProgressContext progress(FAborting);
        if (read)
            read(stream, FBitmap, *FParams, progress, true);
        else
            FAborting = true;
    } catch (...) {
        FAborting = true;
    }
    if (FAborting)
        FParams->FileType = ikfUnknown;
}

void TImageKitIO::ReadParamsFromFile(const std::string& fileName) {
    int32_t id = ikfUnknown;
    try {
        id = FindFileFormat(fileName, true);
    } catch (...) {
        id = ikfUnknown;
    }
    ReadParamsFromFileOfFormat(fileName, id);
}

void TImageKitIO::ReadParamsFromStream(vcl::TStream* stream) {
    int32_t id = ikfUnknown;
    try {
        id = FindStreamFormat(stream);
    } catch (...) {
        id = ikfUnknown;
    }
    ReadParamsFromStreamOfFormat(stream, id);
}

void TImageKitIO::LoadFromUrl(const std::string& url) {
    FAborting = false;
    if (url.size() < IOCompUrlPrefixLength ||
        IOCompLower(url.substr(0, IOCompUrlPrefixLength)) != IOCompUrlPrefix) {
        FAborting = true;
        DoFinishWork();
        return;
    }
    const std::string rest = url.substr(IOCompUrlPrefixLength);
    const size_t slash = rest.find('/');
    // A URL naming only the server asks for its root.
    std::string host = rest.substr(0, slash);
    const std::string path = slash == std::string::npos ? std::string("/") : rest.substr(slash);
    win::INTERNET_PORT port = win::INTERNET_DEFAULT_HTTP_PORT;
    const size_t colon = host.find(':');
    if (colon != std::string::npos) {
        const std::string portText = host.substr(colon + 1);
        int32_t value = 0;
        const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), value);
        if (ec == std::errc() && end == portText.data() + portText.size() && value > 0 && value <= 65535)
            port = win::INTERNET_PORT(value);
        host.resize(colon);
    }
    if (host.empty()) {
        FAborting = true;
        DoFinishWork();
        return;
    }

    vcl::TMemoryStream body;
    {
        TIOCompNetHandles net;
        const bool viaProxy = !ProxyAddress.empty();
        net.Session =
            win::InternetOpenA("Mozilla/4.0 (compatible)",
                               viaProxy ? win::INTERNET_OPEN_TYPE_PROXY : win::INTERNET_OPEN_TYPE_DIRECT,
                               viaProxy ? ProxyAddress.c_str() : nullptr, nullptr, 0);
        if (net.Session)
            net.Connection = win::InternetConnectA(net.Session, host.c_str(), port, nullptr, nullptr,
                                                   win::INTERNET_SERVICE_HTTP, 0, 0);
        if (net.Connection && viaProxy) {
            // Proxy credentials go to the proxy alone, never to the server.
            if (!ProxyUser.empty())
                win::InternetSetOptionA(net.Connection, win::INTERNET_OPTION_PROXY_USERNAME,
                                        const_cast<char*>(ProxyUser.c_str()), win::DWORD(ProxyUser.size()));
            if (!ProxyPassword.empty())
                win::InternetSetOptionA(net.Connection, win::INTERNET_OPTION_PROXY_PASSWORD,
                                        const_cast<char*>(ProxyPassword.c_str()),
                                        win::DWORD(ProxyPassword.size()));
        }
        if (net.Connection)
            net.Request =
                win::HttpOpenRequestA(net.Connection, "GET", path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                      win::INTERNET_FLAG_RELOAD | win::INTERNET_FLAG_NO_CACHE_WRITE |
                                          win::INTERNET_FLAG_KEEP_CONNECTION,
                                      1);
        bool ok = net.Request && win::HttpSendRequestA(net.Request, nullptr, 0, nullptr, 0);
        if (ok) {
            win::DWORD status = 0;
            win::DWORD length = sizeof(status);
            ok = win::HttpQueryInfoA(net.Request, win::HTTP_QUERY_STATUS_CODE | win::HTTP_QUERY_FLAG_NUMBER,
                                     &status, &length, nullptr) &&
                 status >= 200 && status <= 299;
        }
        if (ok) {
            std::vector<uint8_t> buffer(IOCompTransferBuffer);
            for (;;) {
                win::DWORD got = 0;
                if (!win::InternetReadFile(net.Request, buffer.data(), IOCompTransferBuffer, &got)) {
                    ok = false;
                    break;
                }
                if (got == 0)
                    break;
                body.Write(buffer.data(), int32_t(got));
            }
        }
        if (!ok) {
            FAborting = true;
            DoFinishWork();
            return;
        }
    }
    body.SetPosition(0);
    LoadFromStreamDetected(&body);
}

} // namespace imaging
