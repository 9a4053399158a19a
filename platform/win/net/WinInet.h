// The layer's internet client: HTTP/1.1 requests through session, connection and request handles,
// served by libcurl. A request is sent whole by HttpSendRequestA; InternetReadFile then hands out the body
// that arrived.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstdint>

namespace win {

struct HINTERNET__;
using HINTERNET = HINTERNET__*;
using INTERNET_PORT = WORD;

// InternetOpenA access types.
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0; // the proxy of the environment (http_proxy), if any
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3; // the proxy named by InternetOpenA ("host:port")

constexpr DWORD INTERNET_SERVICE_HTTP = 3;
constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0; // the scheme's default port
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;

// HttpOpenRequestA flags the layer honours.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;         // asks caches on the way not to answer
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000; // the layer keeps no cache in any case
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;

// HttpQueryInfoA levels; with HTTP_QUERY_FLAG_NUMBER the value comes as a DWORD instead of text.
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;

// InternetSetOptionA options: time-outs in milliseconds (DWORD), proxy credentials as text. Options set on
// a session or connection hold for the requests under it.
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD INTERNET_OPTION_PROXY_USERNAME = 43;
constexpr DWORD INTERNET_OPTION_PROXY_PASSWORD = 44;

// Failures, through GetLastError.
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;

// The largest body a request keeps in memory; a longer one fails with ERROR_NOT_ENOUGH_MEMORY.
extern int64_t InternetMaxBodyBytes;

// A session: the agent text sent with every request and the proxy use (proxy only for
// INTERNET_OPEN_TYPE_PROXY). nullptr with the last error on failure.
HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy, const char* proxyBypass,
                        DWORD flags);
// An HTTP server of a session. user and password, when given, are the server's own credentials (basic
// authentication); they are never sent to a proxy nor to another host a redirect leads to.
HINTERNET InternetConnectA(HINTERNET session, const char* serverName, INTERNET_PORT port, const char* user,
                           const char* password, DWORD service, DWORD flags, DWORD_PTR context);
// A request for objectName ("/" when empty) on the connection's server; verb "GET" (the default) or
// "HEAD", version "HTTP/1.1" (the default) or "HTTP/1.0". acceptTypes ends with nullptr.
HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes, DWORD flags,
                           DWORD_PTR context);
// Sends the request and receives the whole response, following redirects unless the request says
// otherwise. headers are extra "Name: value" lines (headersLength DWORD(-1): up to the terminating zero).
// TRUE when a response arrived, whatever its status; FALSE with the last error when none did.
BOOL HttpSendRequestA(HINTERNET request, const char* headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength);
// Copies up to toRead bytes of the body; *read 0 means the body has been read.
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD toRead, DWORD* read);
// Answers of the last response. *bufferLength: the buffer's size in; the value's length (text without
// its terminating zero) out, or the size needed with ERROR_INSUFFICIENT_BUFFER.
BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, DWORD* bufferLength, DWORD* index);
BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength);
// Closes the handle and every handle opened under it; a transfer running on it is cancelled.
BOOL InternetCloseHandle(HINTERNET handle);

} // namespace win
