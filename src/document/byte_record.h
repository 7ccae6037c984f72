// Fixed-size byte records with little-endian accessors at explicit offsets.
//
// Song files store their records verbatim, so every record is held as the exact
// bytes of its stored form and read or written through its offsets; nothing here
// depends on the compiler's struct layout or the machine's byte order.
#pragma once

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lyrimo {

template <std::size_t Size>
class tByteRecord {
public:
    static constexpr int kSize = static_cast<int>(Size);

    uint8_t u8(int offset) const { return bytes_[offset]; }
    void setU8(int offset, uint8_t value) { bytes_[offset] = value; }

    uint16_t u16(int offset) const {
        return static_cast<uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    }
    void setU16(int offset, uint16_t value) {
        bytes_[offset] = static_cast<uint8_t>(value);
        bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
    }

    int16_t i16(int offset) const { return static_cast<int16_t>(u16(offset)); }
    void setI16(int offset, int16_t value) { setU16(offset, static_cast<uint16_t>(value)); }

    int32_t i32(int offset) const {
        uint32_t v = uint32_t(bytes_[offset]) | uint32_t(bytes_[offset + 1]) << 8 |
                     uint32_t(bytes_[offset + 2]) << 16 | uint32_t(bytes_[offset + 3]) << 24;
        return static_cast<int32_t>(v);
    }
    void setI32(int offset, int32_t value) {
        auto v = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            bytes_[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    // A string[N] field: a length byte followed by N character bytes.
    QByteArray str(int offset, int capacity) const {
        int length = std::min<int>(bytes_[offset], capacity);
        return QByteArray(reinterpret_cast<const char*>(&bytes_[offset + 1]), length);
    }
    // Stores the text cut to the capacity; the unused character bytes are left as they were.
    void setStr(int offset, int capacity, const QByteArray& text) {
        int length = std::min<int>(static_cast<int>(text.size()), capacity);
        bytes_[offset] = static_cast<uint8_t>(length);
        std::memcpy(&bytes_[offset + 1], text.constData(), static_cast<std::size_t>(length));
    }

    // Embedded records (a font inside the settings, say) are copied in and out whole.
    template <class Record>
    Record sub(int offset) const {
        Record r;
        r.assign(&bytes_[offset], Record::kSize);
        return r;
    }
    template <class Record>
    void setSub(int offset, const Record& r) {
        std::memcpy(&bytes_[offset], r.data(), Record::kSize);
    }

    const uint8_t* data() const { return bytes_.data(); }
    uint8_t* data() { return bytes_.data(); }
    QByteArray toByteArray() const { return QByteArray(reinterpret_cast<const char*>(bytes_.data()), kSize); }

    // Copies up to the record's size from the start of src; the rest keeps its bytes.
    void assign(const void* src, int count) {
        std::memcpy(bytes_.data(), src, static_cast<std::size_t>(std::clamp(count, 0, kSize)));
    }
    void clear() { bytes_.fill(0); }

    bool operator==(const tByteRecord&) const = default;

private:
    std::array<uint8_t, Size> bytes_{};
};

} // namespace lyrimo
