#include "assets/gif_writer.h"

#include <QHash>
#include <QList>
#include <QSaveFile>
#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kMaxColours = 256;
constexpr int kMaxSide = 65535;
constexpr int kMaxCodes = 4096;  // LZW codes are at most 12 bits wide
constexpr int kMaxDataBlock = 255;

// The image as palette indices; every fully transparent pixel maps to one entry.
struct IndexedImage {
    QList<QRgb> palette;
    int transparentIndex = -1;
    std::vector<std::uint8_t> indices;
};

std::optional<IndexedImage> indexColours(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    IndexedImage indexed;
    QHash<QRgb, int> indexOf;
    indexed.indices.reserve(std::size_t(argb.width()) * std::size_t(argb.height()));
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha != 0 && alpha != 255) return std::nullopt;
            const QRgb colour = alpha == 0 ? QRgb(0) : line[x];
            auto found = indexOf.constFind(colour);
            if (found == indexOf.constEnd()) {
                if (indexed.palette.size() == kMaxColours) return std::nullopt;
                if (alpha == 0) indexed.transparentIndex = int(indexed.palette.size());
                found = indexOf.insert(colour, int(indexed.palette.size()));
                indexed.palette.append(colour);
            }
            indexed.indices.push_back(std::uint8_t(found.value()));
        }
    }
    return indexed;
}

// Packs codes least significant bit first into data sub-blocks of at most 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(QByteArray& out) : out_(out) {}

    void write(int code, int size) {
        bits_ |= std::uint32_t(code) << bitCount_;
        bitCount_ += size;
        while (bitCount_ >= 8) {
            pushByte(char(bits_ & 0xff));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }

    void finish() {
        if (bitCount_ > 0) pushByte(char(bits_ & 0xff));
        flushBlock();
        out_.append('\0');  // block terminator
    }

private:
    void pushByte(char byte) {
        block_.append(byte);
        if (block_.size() == kMaxDataBlock) flushBlock();
    }

    void flushBlock() {
        if (block_.isEmpty()) return;
        out_.append(char(block_.size()));
        out_.append(block_);
        block_.clear();
    }

    QByteArray& out_;
    QByteArray block_;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
};

// Variable-width LZW as GIF decoders expect it: a code grows one bit as soon as the table holds a
// code that needs it, and a full table is answered with a clear code rather than frozen.
void compress(const std::vector<std::uint8_t>& indices, int minCodeSize, CodeWriter& writer) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    std::unordered_map<std::uint32_t, int> table;  // (prefix code, next index) -> code
    int codeSize = minCodeSize + 1;
    int nextCode = endCode + 1;

    writer.write(clearCode, codeSize);
    int prefix = indices.front();
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint8_t index = indices[i];
        const std::uint32_t key = std::uint32_t(prefix) << 8 | index;
        if (const auto found = table.find(key); found != table.end()) {
            prefix = found->second;
            continue;
        }
        writer.write(prefix, codeSize);
        if (nextCode < kMaxCodes) {
            table.emplace(key, nextCode);
            if (nextCode >= (1 << codeSize)) ++codeSize;
            ++nextCode;
        } else {
            writer.write(clearCode, codeSize);
            table.clear();
            codeSize = minCodeSize + 1;
            nextCode = endCode + 1;
        }
        prefix = index;
    }
    writer.write(prefix, codeSize);
    writer.write(endCode, codeSize);
    writer.finish();
}

void appendWord(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// Bits per palette index: the colour table holds 2 to the power of this many entries, at least 2.
int paletteBits(qsizetype colours) {
    int bits = 1;
    while ((qsizetype(1) << bits) < colours) ++bits;
    return bits;
}

}  // namespace

std::optional<QByteArray> encodeGif(const QImage& image) {
    if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide) return std::nullopt;
    const std::optional<IndexedImage> indexed = indexColours(image);
    if (!indexed) return std::nullopt;

    const int bits = paletteBits(indexed->palette.size());
    QByteArray out("GIF89a");
    appendWord(out, image.width());
    appendWord(out, image.height());
    out.append(char(0x80 | ((bits - 1) << 4) | (bits - 1)));  // global colour table of 2^bits entries
    out.append('\0');                                         // background colour index
    out.append('\0');                                         // square pixels
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb colour = i < indexed->palette.size() ? indexed->palette[i] : QRgb(0);
        out.append(char(qRed(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qBlue(colour)));
    }
    if (indexed->transparentIndex >= 0) {
        // Graphic control extension: no delay, no disposal, this index transparent.
        out.append("\x21\xf9\x04\x01", 4);
        appendWord(out, 0);
        out.append(char(indexed->transparentIndex));
        out.append('\0');
    }
    out.append('\x2c');  // image descriptor: the whole screen, not interlaced, no local palette
    appendWord(out, 0);
    appendWord(out, 0);
    appendWord(out, image.width());
    appendWord(out, image.height());
    out.append('\0');

    const int minCodeSize = std::max(2, bits);
    out.append(char(minCodeSize));
    CodeWriter writer(out);
    compress(indexed->indices, minCodeSize, writer);
    out.append('\x3b');  // trailer
    return out;
}

bool writeGif(const QImage& image, const QString& path) {
    const std::optional<QByteArray> data = encodeGif(image);
    if (!data) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(*data) != data->size()) return false;
    return file.commit();
}
