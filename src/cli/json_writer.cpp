#include "cli/json_writer.h"

namespace lyrimo {

void tJsonWriter::Key(const char* key) {
    if (!firstInScope_.empty()) {
        if (!firstInScope_.back())
            out_ += ',';
        firstInScope_.back() = false;
    }
    if (key) {
        Quoted(QString::fromUtf8(key));
        out_ += ':';
    }
}

void tJsonWriter::Quoted(const QString& text) {
    out_ += '"';
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out_ += '\\';
            out_ += static_cast<char>(u);
        } else if (u < 0x20) {
            out_ += QString::asprintf("\\u%04x", u).toLatin1();
        } else {
            out_ += QString(c).toUtf8();
        }
    }
    out_ += '"';
}

void tJsonWriter::BeginObject(const char* key) {
    Key(key);
    out_ += '{';
    firstInScope_.push_back(true);
}

void tJsonWriter::EndObject() {
    firstInScope_.pop_back();
    out_ += '}';
}

void tJsonWriter::BeginArray(const char* key) {
    Key(key);
    out_ += '[';
    firstInScope_.push_back(true);
}

void tJsonWriter::EndArray() {
    firstInScope_.pop_back();
    out_ += ']';
}

void tJsonWriter::Int(const char* key, int64_t value) {
    Key(key);
    out_ += QByteArray::number(static_cast<qlonglong>(value));
}

void tJsonWriter::String(const char* key, const QString& value) {
    Key(key);
    Quoted(value);
}

void tJsonWriter::Bytes(const char* key, const QByteArray& value) { String(key, QString::fromLatin1(value)); }

} // namespace lyrimo
