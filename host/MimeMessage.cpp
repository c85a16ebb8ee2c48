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
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(data.size() * 4 / 3 + data.size() / 57 * 2 + 8);
    size_t lineChars = 0;
    for (size_t i = 0; i < data.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size()) n |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size()) n |= static_cast<unsigned char>(data[i + 2]);
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        out += i + 1 < data.size() ? alphabet[(n >> 6) & 63] : '=';
        out += i + 2 < data.size() ? alphabet[n & 63] : '=';
        if ((lineChars += 4) == 76) {
            out += "\r\n";
            lineChars = 0;
        }
    }
    if (lineChars) out += "\r\n";
    return out;
}

std::string ComposeMime(const std::string& subject, const std::string& body,
                        const std::vector<MimeAttachment>& attachments) {
    std::string m;
    m += "MIME-Version: 1.0\r\n";
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
        m += Base64(a.content);
    }
    m += std::string("--") + kBoundary + "--\r\n";
    return m;
}

}  // namespace host
