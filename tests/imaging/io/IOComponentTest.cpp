#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOFormatRegistry.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

namespace {

using imaging::TIKBitmap;
using imaging::TImageKitIO;

// A 5 x 3 colour image with distinct pixels.
void FillIOCompImage(TIKBitmap& bitmap) {
    bitmap.Allocate(5, 3, imaging::ikbf24Bit);
    for (int32_t y = 0; y < 3; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < 15; ++x)
            row[x] = uint8_t(17 * x + 60 * y);
    }
}

std::string IOCompPngBytes() {
    TImageKitIO io;
    FillIOCompImage(*io.GetIKBitmap());
    vcl::TMemoryStream stream;
    io.SaveToStreamOfFormat(&stream, imaging::ikfPng);
    EXPECT_FALSE(io.GetAborting());
    return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
}

bool SameIOCompPixels(TIKBitmap& a, TIKBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    for (int32_t y = 0; y < a.Height(); ++y) {
        std::string ra(reinterpret_cast<char*>(a.ScanLine(y)), size_t(a.RowLength()));
        if (ra != std::string(reinterpret_cast<char*>(b.ScanLine(y)), size_t(a.RowLength())))
            return false;
    }
    return true;
}

std::string IOCompTempName(const std::string& ext) {
    std::random_device rd;
    return (std::filesystem::temp_directory_path() /
            ("iocomp-" + std::to_string(::getpid()) + "-" + std::to_string(rd()) + ext))
        .string();
}

// A one-connection-at-a-time HTTP/1.1 server on the loopback interface. It serves a PNG at /img.png and at
// /, a 404 page elsewhere, a redirect at /moved, and acts as a proxy that insists on credentials when
// RequireProxyAuth is set. Each answer closes the connection.
class TIOCompHttpServer {
public:
    explicit TIOCompHttpServer(std::string png) : FPng(std::move(png)) {
        FSocket = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(FSocket, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FSocket, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(FSocket, 8);
        socklen_t len = sizeof(addr);
        ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&addr), &len);
        FPort = ntohs(addr.sin_port);
        FThread = std::thread([this] { Run(); });
    }
    ~TIOCompHttpServer() {
        FStop = true;
        FThread.join();
        ::close(FSocket);
    }
    int Port() const { return FPort; }
    std::string LastRequest() {
        std::lock_guard lock(FMutex);
        return FLastRequest;
    }
    std::atomic<bool> RequireProxyAuth{false};

private:
    void Run() {
        while (!FStop) {
            pollfd p{FSocket, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int client = ::accept(FSocket, nullptr, nullptr);
            if (client < 0)
                continue;
            Serve(client);
            ::close(client);
        }
    }
    void Serve(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                return;
            const ssize_t got = ::recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0)
                return;
            request.append(buffer, size_t(got));
        }
        {
            std::lock_guard lock(FMutex);
            FLastRequest = request;
        }
        const size_t sp1 = request.find(' ');
        std::string target = request.substr(sp1 + 1, request.find(' ', sp1 + 1) - sp1 - 1);
        if (target.rfind("http://", 0) == 0) {
            // "alice:secret" in Base64.
            if (RequireProxyAuth &&
                request.find("Proxy-Authorization: Basic YWxpY2U6c2VjcmV0\r\n") == std::string::npos) {
                Send(client, "407 Proxy Authentication Required", "Proxy-Authenticate: Basic realm=\"p\"\r\n",
                     "no");
                return;
            }
            target = target.substr(target.find('/', 7));
        }
        if (target == "/img.png" || target == "/")
            Send(client, "200 OK", "Content-Type: image/png\r\n", FPng);
        else if (target == "/moved")
            Send(client, "302 Found", "Location: /img.png\r\n", "");
        else
            Send(client, "404 Not Found", "Content-Type: text/html\r\n", "<html>missing</html>");
    }
    static void Send(int client, const std::string& status, const std::string& headers,
                     const std::string& body) {
        const std::string head = "HTTP/1.1 " + status + "\r\n" + headers +
                                 "Content-Length: " + std::to_string(body.size()) +
                                 "\r\nConnection: close\r\n\r\n";
        const std::string all = head + body;
        size_t sent = 0;
        while (sent < all.size()) {
            const ssize_t n = ::send(client, all.data() + sent, all.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += size_t(n);
        }
    }

    std::string FPng;
    int FSocket = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
    std::mutex FMutex;
    std::string FLastRequest;
};

struct TIOCompFinishCounter {
    int Count = 0;
    void Hook(TImageKitIO& io) {
        io.OnFinishWork = [this](vcl::TObject*) { ++Count; };
    }
};

class IOComponentUrlTest : public ::testing::Test {
protected:
    IOComponentUrlTest() : FServer(IOCompPngBytes()) { FillIOCompImage(FExpected); }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(FServer.Port()); }
    TIOCompHttpServer FServer;
    TIKBitmap FExpected;
};

TEST_F(IOComponentUrlTest, LoadsImagesOverHttp) {
    // The prefix is compared without case; a server without a path is asked for its root; redirects are
    // followed.
    for (const std::string& url :
         {Base() + "/img.png", "HTTP://127.0.0.1:" + std::to_string(FServer.Port()) + "/img.png", Base(),
          Base() + "/moved"}) {
        SCOPED_TRACE(url);
        TImageKitIO io;
        TIOCompFinishCounter finish;
        finish.Hook(io);
        io.LoadFromFileByExtension(url);
        EXPECT_FALSE(io.GetAborting());
        EXPECT_EQ(finish.Count, 1);
        EXPECT_TRUE(SameIOCompPixels(*io.GetIKBitmap(), FExpected));
        EXPECT_EQ(io.GetParams().FileType, imaging::ikfPng);
    }
    EXPECT_NE(FServer.LastRequest().find("GET /img.png HTTP/1.1\r\n"), std::string::npos);
}

TEST_F(IOComponentUrlTest, FailuresSetAbortingAndLeaveTheImage) {
    const std::string refused = [] {
        // A port that was just free: nothing listens there.
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        socklen_t len = sizeof(addr);
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
        ::close(s);
        return "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/img.png";
    }();
    for (const std::string& url : {Base() + "/missing.png", refused, std::string("ftp://127.0.0.1/img.png"),
                                   std::string("http://:80/x")}) {
        SCOPED_TRACE(url);
        TImageKitIO io;
        FillIOCompImage(*io.GetIKBitmap());
        TIOCompFinishCounter finish;
        finish.Hook(io);
        io.LoadFromUrl(url);
        EXPECT_TRUE(io.GetAborting());
        EXPECT_EQ(finish.Count, 1);
        EXPECT_TRUE(SameIOCompPixels(*io.GetIKBitmap(), FExpected));
    }
}

TEST_F(IOComponentUrlTest, AsynchronousLoadRunsTheTransferOnAWorker) {
    TIKBitmap outside;
    TImageKitIO io;
    io.SetAsynchronous(true);
    io.AttachIKBitmap(&outside);
    TIOCompFinishCounter finish;
    finish.Hook(io);
    io.LoadFromFileByExtension(Base() + "/img.png");
    io.WaitForThreads(false);
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(finish.Count, 1);
    EXPECT_TRUE(SameIOCompPixels(outside, FExpected));
}

TEST_F(IOComponentUrlTest, ProxyGetsTheCredentialsAndTheServerDoesNot) {
    FServer.RequireProxyAuth = true;
    TImageKitIO io;
    io.ProxyAddress = "127.0.0.1:" + std::to_string(FServer.Port());
    io.ProxyUser = "alice";
    io.ProxyPassword = "secret";
    io.LoadFromUrl("http://images.example:8080/img.png");
    EXPECT_FALSE(io.GetAborting());
    EXPECT_TRUE(SameIOCompPixels(*io.GetIKBitmap(), FExpected));
    const std::string request = FServer.LastRequest();
    EXPECT_NE(request.find("GET http://images.example:8080/img.png HTTP/1.1\r\n"), std::string::npos);
    EXPECT_EQ(request.find("\r\nAuthorization:"), std::string::npos);

    io.ProxyPassword = "wrong";
    io.LoadFromUrl("http://images.example/img.png");
    EXPECT_TRUE(io.GetAborting());
}

TEST(IOComponentTest, ExtensionsPickTheFormat) {
    const struct {
        const char* Name;
        int32_t Id;
    } cases[] = {
        {"a.JPG", imaging::ikfJpeg},        {"dir.x/b.png", imaging::ikfPng}, {"c.tiff", imaging::ikfTiff},
        {"d.j2c", imaging::ikfJ2k},         {"e.jif", imaging::ikfUnknown},   {"noext", imaging::ikfUnknown},
        {"dir.gif/f", imaging::ikfUnknown}, {"", imaging::ikfUnknown},        {"g.", imaging::ikfUnknown}};
    for (const auto& c : cases)
        EXPECT_EQ(TImageKitIO::FormatIdOfExtension(c.Name), c.Id) << c.Name;
}

TEST(IOComponentTest, FileRoundTripsAndLoadFailures) {
    TIKBitmap expected;
    FillIOCompImage(expected);
    for (const char* ext : {".png", ".BMP", ".tga", ".ppm", ".tif"}) {
        SCOPED_TRACE(ext);
        const std::string name = IOCompTempName(ext);
        TImageKitIO writer;
        FillIOCompImage(*writer.GetIKBitmap());
        writer.SaveToFileByExtension(name);
        EXPECT_FALSE(writer.GetAborting());
        TImageKitIO reader;
        TIOCompFinishCounter finish;
        finish.Hook(reader);
        reader.LoadFromFileByExtension(name);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(finish.Count, 1);
        EXPECT_TRUE(SameIOCompPixels(*reader.GetIKBitmap(), expected));
        EXPECT_EQ(reader.GetParams().FileName, name);

        TImageKitIO params;
        params.ReadParamsFromFile(name);
        EXPECT_EQ(params.GetParams().FileType, TImageKitIO::FormatIdOfExtension(name));
        EXPECT_EQ(params.GetParams().Width, 5);
        EXPECT_EQ(params.GetIKBitmap()->Width(), 0);
        std::filesystem::remove(name);
    }

    // An empty name and an unknown extension fail with a finish notification and leave the image.
    for (const char* name : {"", "picture.jif", "picture"}) {
        TImageKitIO io;
        FillIOCompImage(*io.GetIKBitmap());
        TIOCompFinishCounter finish;
        finish.Hook(io);
        io.LoadFromFileByExtension(name);
        EXPECT_TRUE(io.GetAborting()) << name;
        EXPECT_EQ(finish.Count, 1) << name;
        EXPECT_TRUE(SameIOCompPixels(*io.GetIKBitmap(), expected)) << name;
    }

    // A missing file raises after the finish notification, with Aborting set; a parameters-only read does
    // not.
    TImageKitIO io;
    TIOCompFinishCounter finish;
    finish.Hook(io);
    const std::string missing = IOCompTempName(".png");
    EXPECT_ANY_THROW(io.LoadFromFileByExtension(missing));
    EXPECT_TRUE(io.GetAborting());
    EXPECT_EQ(finish.Count, 1);
    EXPECT_NO_THROW(io.ReadParamsFromFile(missing));
    EXPECT_EQ(io.GetParams().FileType, 0);
    EXPECT_EQ(io.GetParams().FileName, missing);
}

TEST(IOComponentTest, FailedSaveKeepsTheExistingFile) {
    const std::string name = IOCompTempName(".pcx");
    {
        std::ofstream out(name, std::ios::binary);
        out << "keep me";
    }
    TImageKitIO io; // an empty image cannot be written
    io.SaveToFileByExtension(name);
    std::ifstream in(name, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(io.GetAborting());
    EXPECT_EQ(content, "keep me");
    std::filesystem::remove(name);

    // A format without a writer never creates a file.
    const std::string icon = IOCompTempName(".ico");
    FillIOCompImage(*io.GetIKBitmap());
    io.SaveToFileByExtension(icon);
    EXPECT_TRUE(io.GetAborting());
    EXPECT_FALSE(std::filesystem::exists(icon));
}

TEST(IOComponentTest, StreamLoadDetectsTheFormat) {
    const std::string png = IOCompPngBytes();
    vcl::TMemoryStream stream;
    stream.Write("xyz", 3);
    stream.Write(png.data(), int32_t(png.size()));
    stream.SetPosition(3);
    TImageKitIO io;
    io.LoadFromStreamDetected(&stream);
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(io.GetParams().FileType, imaging::ikfPng);
    TIKBitmap expected;
    FillIOCompImage(expected);
    EXPECT_TRUE(SameIOCompPixels(*io.GetIKBitmap(), expected));

    vcl::TMemoryStream junk;
    junk.Write("not an image at all", 19);
    junk.SetPosition(0);
    io.LoadFromStreamDetected(&junk);
    EXPECT_TRUE(io.GetAborting());

    // Detaching an outside bitmap leaves it as it was and gives the component an empty image.
    TIKBitmap outside;
    FillIOCompImage(outside);
    io.AttachIKBitmap(&outside);
    EXPECT_EQ(io.GetIKBitmap(), &outside);
    io.AttachIKBitmap(nullptr);
    EXPECT_NE(io.GetIKBitmap(), &outside);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
    EXPECT_TRUE(SameIOCompPixels(outside, expected));
}

} // namespace
