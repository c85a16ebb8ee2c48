// Writes a message as a standard MIME .eml file with base64 attachments.
#include "MimeMessage.h"

namespace host {

namespace {
constexpr const char* kBoundary = "----=_Parcelon_Boundary_0001";

bool NeedsEncoding(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80 || c == '"' || c == '\\' || c < 0x20) return true;
    return false;
}

// A parameter value: quoted when plain, RFC 2231 UTF-8 when not.
std::string FileNameParameter(const char* name, const std::string& value) {
    if (!NeedsEncoding(value)) return std::string(name) + "=\"" + value + "\"";
    std::string encoded = std::string(name) + "*=UTF-8''";
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : value) {
        if (isalnum(c) || c == '.' || c == '-' || c == '_') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    return encoded;
}
}  // namespace

std::string Base64(const std::vector<char>& data) {
    std::string out;
    AppendBase64(out, data);
    return out;
}

void AppendBase64(std::string& result, const std::vector<char>& data) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const size_t groups = (data.size() + 2) / 3;
    const size_t lines = (groups + 18) / 19;  // 19 groups of 4 make a line of 76
    const size_t start = result.size();
    result.resize(start + groups * 4 + lines * 2);
    char* o = &result[start];
    const auto* in = reinterpret_cast<const unsigned char*>(data.data());
    const size_t size = data.size();
    size_t lineGroups = 0;
    for (size_t i = 0; i < size; i += 3) {
        unsigned n = in[i] << 16;
        if (i + 1 < size) n |= in[i + 1] << 8;
        if (i + 2 < size) n |= in[i + 2];
        *o++ = alphabet[(n >> 18) & 63];
        *o++ = alphabet[(n >> 12) & 63];
        *o++ = i + 1 < size ? alphabet[(n >> 6) & 63] : '=';
        *o++ = i + 2 < size ? alphabet[n & 63] : '=';
        if (++lineGroups == 19) {
            *o++ = '\r';
            *o++ = '\n';
            lineGroups = 0;
        }
    }
    if (lineGroups) {
        *o++ = '\r';
        *o++ = '\n';
    }
    result.resize(static_cast<size_t>(o - result.data()));
}

std::string ComposeMime(const std::string& to, const std::string& subject, const std::string& body,
                        const std::vector<MimeAttachment>& attachments) {
    std::string m;
    size_t size = 1024 + body.size();
    for (const MimeAttachment& a : attachments) size += 512 + a.content->size() / 3 * 4 + a.content->size() / 28;
    m.reserve(size);  // one allocation for the whole message
    m += "MIME-Version: 1.0\r\n";
    if (!to.empty()) m += "To: " + to + "\r\n";
    m += "Subject: " + subject + "\r\n";
    m += std::string("Content-Type: multipart/mixed; boundary=\"") + kBoundary + "\"\r\n\r\n";
    m += "This is a multi-part message in MIME format.\r\n\r\n";
    m += std::string("--") + kBoundary + "\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    m += body + "\r\n";
    for (const MimeAttachment& a : attachments) {
        m += std::string("--") + kBoundary + "\r\n";
        m += "Content-Type: application/octet-stream; " + FileNameParameter("name", a.fileName) + "\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment; " + FileNameParameter("filename", a.fileName) + "\r\n\r\n";
        AppendBase64(m, *a.content);
    }
    m += std::string("--") + kBoundary + "--\r\n";
    return m;
}

}  // namespace host
