// Error codes: the thread's last error, what a curl result means as a WinHTTP error, and the texts.
#include "platform/winhttp/CurlTypes.h"

namespace winhttp::curl {
namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}  // namespace

void SetLastError(DWORD code) { t_lastError = code; }
DWORD LastError() { return t_lastError; }

DWORD MapCurlError(CURLcode code, const Request& r) {
    switch (code) {
        case CURLE_OK: return ERROR_SUCCESS;
        case CURLE_COULDNT_RESOLVE_HOST: return ERROR_WINHTTP_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT: return ERROR_WINHTTP_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT: return ERROR_WINHTTP_TIMEOUT;
        case CURLE_TOO_MANY_REDIRECTS: return ERROR_WINHTTP_REDIRECT_FAILED;
        // Both a Location of another scheme and a status line curl cannot read end so.
        case CURLE_UNSUPPORTED_PROTOCOL:
            return r.redirectPending ? ERROR_WINHTTP_REDIRECT_FAILED : ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        case CURLE_URL_MALFORMAT: return ERROR_WINHTTP_INVALID_URL;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_GOT_NOTHING: return ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE: return ERROR_WINHTTP_SECURE_FAILURE;
        // curl runs out of room only for a header line over its limit before the answer's
        // headers are complete.
        case CURLE_OUT_OF_MEMORY:
            return r.headersComplete ? ERROR_NOT_ENOUGH_MEMORY : ERROR_WINHTTP_HEADER_SIZE_OVERFLOW;
        case CURLE_WRITE_ERROR:
            if (r.badLength) return ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
            return r.capped ? ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW : ERROR_WINHTTP_INTERNAL_ERROR;
        case CURLE_ABORTED_BY_CALLBACK: return ERROR_WINHTTP_OPERATION_CANCELLED;
        case CURLE_SEND_FAIL_REWIND: return ERROR_WINHTTP_RESEND_REQUEST;
        default: return ERROR_WINHTTP_CONNECTION_ERROR;
    }
}

std::string ErrorText(DWORD code) {
    // Texts end with CR LF as the system's message texts do.
    const char* t = nullptr;
    switch (code) {
        case ERROR_SUCCESS: t = "The operation completed successfully."; break;
        case ERROR_INVALID_HANDLE: t = "The handle is invalid."; break;
        case ERROR_NOT_ENOUGH_MEMORY: t = "Not enough memory to complete the operation."; break;
        case ERROR_INVALID_PARAMETER: t = "The parameter is incorrect."; break;
        case ERROR_INSUFFICIENT_BUFFER: t = "The data area passed is too small."; break;
        case ERROR_WINHTTP_TIMEOUT: t = "The operation timed out"; break;
        case ERROR_WINHTTP_INTERNAL_ERROR: t = "An internal error occurred in the HTTP service"; break;
        case ERROR_WINHTTP_INVALID_URL: t = "The URL is invalid"; break;
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: t = "The URL does not use a recognized protocol"; break;
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: t = "The server name or address could not be resolved"; break;
        case ERROR_WINHTTP_INVALID_OPTION: t = "An invalid option value was specified"; break;
        case ERROR_WINHTTP_OPERATION_CANCELLED: t = "The operation has been canceled"; break;
        case ERROR_WINHTTP_INCORRECT_HANDLE_TYPE: t = "The handle is the wrong type for the requested operation"; break;
        case ERROR_WINHTTP_INCORRECT_HANDLE_STATE: t = "The handle is in the wrong state for the requested operation"; break;
        case ERROR_WINHTTP_CANNOT_CONNECT: t = "A connection with the server could not be established"; break;
        case ERROR_WINHTTP_CONNECTION_ERROR: t = "The connection with the server was terminated abnormally"; break;
        case ERROR_WINHTTP_RESEND_REQUEST: t = "The request must be sent again"; break;
        case ERROR_WINHTTP_HEADER_NOT_FOUND: t = "The requested header was not found"; break;
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: t = "The server returned an invalid or unrecognized response"; break;
        case ERROR_WINHTTP_REDIRECT_FAILED: t = "The HTTP redirect request failed"; break;
        case ERROR_WINHTTP_SECURE_FAILURE: t = "A security error occurred"; break;
        case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW: t = "The server's response headers are larger than the limit"; break;
        case ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW: t = "The response is larger than the limit"; break;
        default: return std::string();
    }
    return std::string(t) + "\r\n";
}

}  // namespace winhttp::curl
