// A small JSON writer that keeps members in the order they are written.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace lyrimo {

class tJsonWriter {
public:
    void BeginObject(const char* key = nullptr);
    void EndObject();
    void BeginArray(const char* key = nullptr);
    void EndArray();

    void Int(const char* key, int64_t value);
    void Int(int64_t value) { Int(nullptr, value); }
    void String(const char* key, const QString& value);
    // Each byte b as the character U+00bb, so that every byte survives.
    void Bytes(const char* key, const QByteArray& value);

    const QByteArray& Text() const { return out_; }

private:
    void Key(const char* key);
    void Quoted(const QString& text);

    QByteArray out_;
    std::vector<bool> firstInScope_;
};

} // namespace lyrimo
