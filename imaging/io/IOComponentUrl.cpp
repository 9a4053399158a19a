// TImageKitIO's URL loader: one HTTP GET through the internet client layer into memory, then a stream load
// with format detection.
#include "imaging/io/IOComponent.h"

#include "imaging/io/IOThreads.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/net/WinInet.h"

#include <charconv>
#include <vector>

namespace imaging {

namespace {

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

void TImageKitIO::LoadFromUrl(const std::string& url) {
    if (HandOff(ikjUrl, [this, url] { LoadFromUrl(url); }))
        return;
    FAborting = false;
    if (url.size() < IOCompUrlPrefixLength ||
        vcl::LowerCase(url.substr(0, IOCompUrlPrefixLength)) != IOCompUrlPrefix) {
        FAborting = true;
        FinishWork();
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
        FinishWork();
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
            FinishWork();
            return;
        }
    }
    body.SetPosition(0);
    LoadFromStreamDetected(&body);
}

} // namespace imaging
