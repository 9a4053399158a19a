#include "platform/win/net/WinInet.h"

#include "platform/win/kernel/Errors.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace win {

int64_t InternetMaxBodyBytes = int64_t(512) << 20;

namespace {

constexpr long NetDefaultConnectTimeoutMs = 60000;
constexpr long NetDefaultReceiveTimeoutMs = 30000;
constexpr long NetMaxRedirects = 10;

enum class NetKind { Session, Connection, Request };

// What the options of a handle and of the handles above it say; unset fields fall back to the parent's.
struct NetOptions {
    std::optional<std::string> ProxyUser;
    std::optional<std::string> ProxyPassword;
    std::optional<long> ConnectTimeoutMs;
    std::optional<long> ReceiveTimeoutMs;
};

struct NetHandle {
    NetKind Kind;
    std::shared_ptr<NetHandle> Parent;
    std::atomic<bool> Closed{false};
    std::mutex Lock; // the fields below
    NetOptions Options;
    // Session.
    std::string Agent;
    DWORD AccessType = INTERNET_OPEN_TYPE_DIRECT;
    std::string Proxy;
    // Connection.
    std::string Server;
    INTERNET_PORT Port = INTERNET_DEFAULT_HTTP_PORT;
    std::string User;
    std::string Password;
    bool HasCredentials = false;
    // Request.
    std::string Verb;
    std::string Object;
    bool Http10 = false;
    std::string Referrer;
    std::string Accept;
    DWORD Flags = 0;
    bool Sent = false;
    long Status = 0;
    std::string ContentType;
    std::optional<int64_t> ContentLength;
    std::vector<uint8_t> Body;
    size_t ReadPosition = 0;

    explicit NetHandle(NetKind kind) : Kind(kind) {}
};

// Every open handle, so that a stale or foreign value is refused instead of used.
struct NetRegistry {
    std::mutex Lock;
    std::map<NetHandle*, std::shared_ptr<NetHandle>> Open;
};

NetRegistry& NetHandles() {
    static NetRegistry registry;
    return registry;
}

HINTERNET NetRegister(std::shared_ptr<NetHandle> handle) {
    NetRegistry& registry = NetHandles();
    std::lock_guard lock(registry.Lock);
    NetHandle* key = handle.get();
    registry.Open.emplace(key, std::move(handle));
    return reinterpret_cast<HINTERNET>(key);
}

std::shared_ptr<NetHandle> NetFind(HINTERNET value, std::optional<NetKind> kind = std::nullopt) {
    NetRegistry& registry = NetHandles();
    std::shared_ptr<NetHandle> handle;
    {
        std::lock_guard lock(registry.Lock);
        auto it = registry.Open.find(reinterpret_cast<NetHandle*>(value));
        if (it != registry.Open.end())
            handle = it->second;
    }
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (kind && handle->Kind != *kind) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return handle;
}

std::string NetText(const char* text) {
    return text ? std::string(text) : std::string();
}

void NetGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The options in force for a handle: its own, then its parents'.
NetOptions NetEffectiveOptions(const std::shared_ptr<NetHandle>& handle) {
    NetOptions result;
    for (NetHandle* h = handle.get(); h; h = h->Parent.get()) {
        std::lock_guard lock(h->Lock);
        if (!result.ProxyUser)
            result.ProxyUser = h->Options.ProxyUser;
        if (!result.ProxyPassword)
            result.ProxyPassword = h->Options.ProxyPassword;
        if (!result.ConnectTimeoutMs)
            result.ConnectTimeoutMs = h->Options.ConnectTimeoutMs;
        if (!result.ReceiveTimeoutMs)
            result.ReceiveTimeoutMs = h->Options.ReceiveTimeoutMs;
    }
    return result;
}

DWORD NetErrorFor(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_ABORTED_BY_CALLBACK:
        return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_WRITE_ERROR:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_OUT_OF_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

// One transfer: the body and the headers of the last response go here.
struct NetTransfer {
    NetHandle* Request = nullptr;
    std::vector<uint8_t> Body;
    std::string ContentType;
    std::optional<int64_t> ContentLength;
    bool TooLarge = false;
};

size_t NetWriteBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<NetTransfer*>(user);
    size_t bytes = size * count;
    if (int64_t(transfer->Body.size() + bytes) > InternetMaxBodyBytes) {
        transfer->TooLarge = true;
        return 0;
    }
    transfer->Body.insert(transfer->Body.end(), data, data + bytes);
    return bytes;
}

std::string NetTrim(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start);
}

size_t NetWriteHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<NetTransfer*>(user);
    std::string line(data, size * count);
    // A status line starts the headers of a new response (after a redirect or a 100 Continue).
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->ContentType.clear();
        transfer->ContentLength.reset();
        transfer->Body.clear();
        return size * count;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos)
        return size * count;
    std::string name = line.substr(0, colon);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    std::string value = NetTrim(line.substr(colon + 1));
    if (name == "content-type") {
        transfer->ContentType = value;
    } else if (name == "content-length") {
        char* end = nullptr;
        long long length = std::strtoll(value.c_str(), &end, 10);
        if (end && *end == 0 && length >= 0)
            transfer->ContentLength = length;
    }
    return size * count;
}

int NetProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<NetTransfer*>(user)->Request->Closed ? 1 : 0;
}

// A proxy given as "host:port", "http=host:port" or a list of such entries: the one for HTTP.
std::string NetProxyForHttp(const std::string& proxy) {
    std::string entry;
    size_t start = 0;
    while (start <= proxy.size()) {
        size_t end = proxy.find_first_of("; ", start);
        if (end == std::string::npos)
            end = proxy.size();
        std::string item = proxy.substr(start, end - start);
        if (item.rfind("http=", 0) == 0)
            return item.substr(5);
        if (!item.empty() && item.find('=') == std::string::npos && entry.empty())
            entry = item;
        start = end + 1;
    }
    return entry;
}

struct NetCurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct NetListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

BOOL NetPerform(const std::shared_ptr<NetHandle>& request, const std::string& extraHeaders) {
    NetHandle* connection = request->Parent.get();
    NetHandle* session = connection->Parent.get();
    NetOptions options = NetEffectiveOptions(request);
    NetGlobalInit();
    std::unique_ptr<CURL, NetCurlDeleter> curl(curl_easy_init());
    if (!curl) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    CURL* c = curl.get();
    // An IPv6 address goes into brackets.
    std::string host = connection->Server.find(':') != std::string::npos && connection->Server[0] != '['
                           ? "[" + connection->Server + "]"
                           : connection->Server;
    std::string url = "http://" + host + ":" + std::to_string(connection->Port) + request->Object;
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION,
                     request->Http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    if (request->Verb == "HEAD")
        curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    else
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    if (!(request->Flags & INTERNET_FLAG_NO_AUTO_REDIRECT)) {
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, NetMaxRedirects);
    }
    curl_easy_setopt(c, CURLOPT_USERAGENT, session->Agent.c_str());
    if (!request->Referrer.empty())
        curl_easy_setopt(c, CURLOPT_REFERER, request->Referrer.c_str());
    // Proxies: only the one named for this session; the environment's only when the session asks for it.
    std::string proxy;
    if (session->AccessType == INTERNET_OPEN_TYPE_PROXY)
        proxy = NetProxyForHttp(session->Proxy);
    if (session->AccessType != INTERNET_OPEN_TYPE_PRECONFIG || !proxy.empty())
        curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
    if (!proxy.empty() && (options.ProxyUser || options.ProxyPassword)) {
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, options.ProxyUser.value_or("").c_str());
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, options.ProxyPassword.value_or("").c_str());
        curl_easy_setopt(c, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
    }
    if (connection->HasCredentials) {
        curl_easy_setopt(c, CURLOPT_USERNAME, connection->User.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, connection->Password.c_str());
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    }
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS,
                     options.ConnectTimeoutMs.value_or(NetDefaultConnectTimeoutMs));
    // A server that sends nothing for the receive time-out ends the transfer.
    long receiveSeconds =
        std::max(1L, (options.ReceiveTimeoutMs.value_or(NetDefaultReceiveTimeoutMs) + 999) / 1000);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, receiveSeconds);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(InternetMaxBodyBytes));

    std::unique_ptr<curl_slist, NetListDeleter> headers;
    auto addHeader = [&](const std::string& line) {
        if (curl_slist* list = curl_slist_append(headers.get(), line.c_str())) {
            (void)headers.release();
            headers.reset(list);
        }
    };
    if (request->Flags & INTERNET_FLAG_RELOAD) {
        addHeader("Cache-Control: no-cache");
        addHeader("Pragma: no-cache");
    }
    if (!request->Accept.empty())
        addHeader("Accept: " + request->Accept);
    size_t start = 0;
    while (start < extraHeaders.size()) {
        size_t end = extraHeaders.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = extraHeaders.size();
        std::string line = NetTrim(extraHeaders.substr(start, end - start));
        if (line.find(':') != std::string::npos)
            addHeader(line);
        start = end + 1;
    }
    if (headers)
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

    NetTransfer transfer;
    transfer.Request = request.get();
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, NetWriteBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, NetWriteHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, NetProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);

    CURLcode result = curl_easy_perform(c);
    if (result != CURLE_OK) {
        SetLastError(transfer.TooLarge ? ERROR_NOT_ENOUGH_MEMORY : NetErrorFor(result));
        return FALSE;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    std::lock_guard lock(request->Lock);
    request->Sent = true;
    request->Status = status;
    request->ContentType = std::move(transfer.ContentType);
    request->ContentLength = transfer.ContentLength;
    request->Body = std::move(transfer.Body);
    request->ReadPosition = 0;
    return TRUE;
}

BOOL NetCopyAnswer(const std::string& text, DWORD number, bool asNumber, LPVOID buffer, DWORD* bufferLength) {
    if (asNumber) {
        if (*bufferLength < sizeof(DWORD)) {
            *bufferLength = sizeof(DWORD);
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(buffer, &number, sizeof(DWORD));
        *bufferLength = sizeof(DWORD);
        return TRUE;
    }
    if (*bufferLength < text.size() + 1) {
        *bufferLength = DWORD(text.size() + 1);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *bufferLength = DWORD(text.size());
    return TRUE;
}

void NetCloseTree(NetRegistry& registry, NetHandle* handle) {
    handle->Closed = true;
    std::vector<NetHandle*> children;
    for (auto& [key, open] : registry.Open)
        if (open->Parent.get() == handle)
            children.push_back(key);
    for (NetHandle* child : children)
        NetCloseTree(registry, child);
    registry.Open.erase(handle);
}

} // namespace

HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy, const char* proxyBypass,
                        DWORD flags) {
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
        accessType != INTERNET_OPEN_TYPE_PROXY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (accessType == INTERNET_OPEN_TYPE_PROXY && NetProxyForHttp(NetText(proxy)).empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto session = std::make_shared<NetHandle>(NetKind::Session);
    session->Agent = NetText(agent);
    session->AccessType = accessType;
    session->Proxy = NetText(proxy);
    return NetRegister(std::move(session));
}

HINTERNET InternetConnectA(HINTERNET session, const char* serverName, INTERNET_PORT port, const char* user,
                           const char* password, DWORD service, DWORD flags, DWORD_PTR context) {
    auto parent = NetFind(session, NetKind::Session);
    if (!parent)
        return nullptr;
    std::string server = NetText(serverName);
    // Only a plain host name or address: anything else would change the address curl is given.
    bool valid = !server.empty() && server.find_first_of("/?#@ \t\r\n") == std::string::npos;
    if (service != INTERNET_SERVICE_HTTP || !valid) {
        SetLastError(service != INTERNET_SERVICE_HTTP ? ERROR_INVALID_PARAMETER : ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    auto connection = std::make_shared<NetHandle>(NetKind::Connection);
    connection->Parent = parent;
    connection->Server = server;
    connection->Port = port == INTERNET_INVALID_PORT_NUMBER ? INTERNET_DEFAULT_HTTP_PORT : port;
    connection->HasCredentials = (user && *user) || (password && *password);
    connection->User = NetText(user);
    connection->Password = NetText(password);
    return NetRegister(std::move(connection));
}

HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes, DWORD flags,
                           DWORD_PTR context) {
    auto parent = NetFind(connection, NetKind::Connection);
    if (!parent)
        return nullptr;
    std::string method = verb && *verb ? verb : "GET";
    std::string http = version && *version ? version : "HTTP/1.1";
    if ((method != "GET" && method != "HEAD") || (http != "HTTP/1.1" && http != "HTTP/1.0")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string object = NetText(objectName);
    if (object.find_first_of(" \t\r\n") != std::string::npos) {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    if (object.empty() || object[0] != '/')
        object.insert(0, "/");
    auto request = std::make_shared<NetHandle>(NetKind::Request);
    request->Parent = parent;
    request->Verb = method;
    request->Object = object;
    request->Http10 = http == "HTTP/1.0";
    request->Referrer = NetText(referrer);
    for (const char** type = acceptTypes; type && *type; ++type)
        request->Accept += (request->Accept.empty() ? "" : ", ") + std::string(*type);
    request->Flags = flags;
    return NetRegister(std::move(request));
}

BOOL HttpSendRequestA(HINTERNET request, const char* headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength) {
    auto handle = NetFind(request, NetKind::Request);
    if (!handle)
        return FALSE;
    if (optional && optionalLength > 0) {
        // A GET or HEAD carries no body.
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string extra;
    if (headers)
        extra = headersLength == DWORD(-1) ? std::string(headers) : std::string(headers, headersLength);
    return NetPerform(handle, extra);
}

BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD toRead, DWORD* read) {
    auto handle = NetFind(request, NetKind::Request);
    if (!handle)
        return FALSE;
    if (!read || (!buffer && toRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(handle->Lock);
    if (!handle->Sent) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    size_t count = std::min<size_t>(toRead, handle->Body.size() - handle->ReadPosition);
    if (count > 0)
        std::memcpy(buffer, handle->Body.data() + handle->ReadPosition, count);
    handle->ReadPosition += count;
    *read = DWORD(count);
    return TRUE;
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, DWORD* bufferLength, DWORD* index) {
    auto handle = NetFind(request, NetKind::Request);
    if (!handle)
        return FALSE;
    if (!bufferLength || (!buffer && *bufferLength > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(handle->Lock);
    if (!handle->Sent) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    const bool asNumber = (infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
    switch (infoLevel & 0xFFFF) {
    case HTTP_QUERY_STATUS_CODE:
        return NetCopyAnswer(std::to_string(handle->Status), DWORD(handle->Status), asNumber, buffer,
                             bufferLength);
    case HTTP_QUERY_CONTENT_LENGTH:
        if (handle->ContentLength)
            return NetCopyAnswer(std::to_string(*handle->ContentLength), DWORD(*handle->ContentLength),
                                 asNumber, buffer, bufferLength);
        break;
    case HTTP_QUERY_CONTENT_TYPE:
        if (!handle->ContentType.empty() && !asNumber)
            return NetCopyAnswer(handle->ContentType, 0, false, buffer, bufferLength);
        break;
    default:
        break;
    }
    SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
    return FALSE;
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength) {
    auto target = NetFind(handle);
    if (!target)
        return FALSE;
    std::lock_guard lock(target->Lock);
    switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
    case INTERNET_OPTION_RECEIVE_TIMEOUT: {
        if (!buffer || bufferLength < sizeof(DWORD)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        DWORD ms = 0;
        std::memcpy(&ms, buffer, sizeof ms);
        (option == INTERNET_OPTION_CONNECT_TIMEOUT ? target->Options.ConnectTimeoutMs
                                                   : target->Options.ReceiveTimeoutMs) = long(ms);
        return TRUE;
    }
    case INTERNET_OPTION_PROXY_USERNAME:
    case INTERNET_OPTION_PROXY_PASSWORD: {
        const char* text = static_cast<const char*>(buffer);
        std::string value = text ? std::string(text, strnlen(text, bufferLength ? bufferLength : 65536)) : "";
        (option == INTERNET_OPTION_PROXY_USERNAME ? target->Options.ProxyUser
                                                  : target->Options.ProxyPassword) = value;
        return TRUE;
    }
    default:
        SetLastError(ERROR_INTERNET_INVALID_OPTION);
        return FALSE;
    }
}

BOOL InternetCloseHandle(HINTERNET handle) {
    NetRegistry& registry = NetHandles();
    std::lock_guard lock(registry.Lock);
    auto it = registry.Open.find(reinterpret_cast<NetHandle*>(handle));
    if (it == registry.Open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    NetCloseTree(registry, it->first);
    return TRUE;
}

} // namespace win
