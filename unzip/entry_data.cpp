#include "unzip/entry_data.h"

#include <algorithm>
#include <cstring>

#include "unzip/try_make.h"
#include "unzip/zip_status.h"

namespace {

// Raw DEFLATE: no zlib header or trailer, 32 KB window.
constexpr int kRawDeflateWindowBits = -MAX_WBITS;

// Fetches the next piece of entry data into the input buffer when it is empty.
bool Refill(EntryDataReader& data) {
    if (data.stream.avail_in > 0 || data.compressedLeft == 0)
        return true;
    const auto k = static_cast<uint32_t>(std::min<uint64_t>(kEntryInputSize, data.compressedLeft));
    ZipByteSource& source = *data.source;
    if (ByteSourceSeek(source, static_cast<int64_t>(data.compressedPos + data.bytesBefore), 0) !=
            0 ||
        ByteSourceRead(data.inputBuffer.data(), k, 1, source) != 1) {
        return false;
    }
    data.compressedPos += k;
    data.compressedLeft -= k;
    data.stream.next_in = data.inputBuffer.data();
    data.stream.avail_in = k;
    return true;
}

void Deliver(EntryDataReader& data, const uint8_t* bytes, uint32_t count) {
    data.crc = static_cast<uint32_t>(crc32(data.crc, bytes, count));
    data.uncompressedLeft -= count;
}

// Copies stored bytes; gives false when no input is left although room is.
bool CopyStored(EntryDataReader& data, uint32_t* delivered) {
    z_stream& s = data.stream;
    const uint32_t m = std::min(s.avail_out, s.avail_in);
    if (m == 0)
        return false;
    std::memcpy(s.next_out, s.next_in, m);
    Deliver(data, s.next_out, m);
    s.next_in += m;
    s.avail_in -= m;
    s.next_out += m;
    s.avail_out -= m;
    s.total_out += m;
    *delivered += m;
    return true;
}

// Decodes what it can; gives false when the stream ended or cannot go on (corrupt data,
// no progress possible).
bool Inflate(EntryDataReader& data, uint32_t* delivered) {
    z_stream& s = data.stream;
    const uLong before = s.total_out;
    uint8_t* const out = s.next_out;
    const int r = inflate(&s, Z_SYNC_FLUSH);
    const auto produced = static_cast<uint32_t>(s.total_out - before);
    Deliver(data, out, produced);
    *delivered += produced;
    return r == Z_OK;
}

}  // namespace

EntryDataReader::EntryDataReader() {}

EntryDataReader::~EntryDataReader() {
    if (decoderReady)
        inflateEnd(&stream);
}

int32_t OpenEntryData(ZipDirectoryReader* reader) {
    if (reader == nullptr || reader->entryValid == 0)
        return ZS_INVALID_CALL;
    if (reader->dataReader)
        CloseEntryData(reader);
    LocalHeaderInfo local;
    if (CheckLocalHeader(reader, &local) != ZS_OK)
        return ZS_INCONSISTENT;

    auto data = TryMake<EntryDataReader>();
    if (!data)
        return ZS_NO_MEMORY;
    const CentralEntryHeader& h = reader->header;
    data->expectedCrc = h.crc;
    data->method = h.method;
    data->source = reader->source.get();
    data->bytesBefore = reader->bytesBefore;
    if (data->method != kMethodStored) {
        // zlib allocates for itself (zalloc, zfree and opaque are null).
        if (inflateInit2(&data->stream, kRawDeflateWindowBits) != Z_OK)
            return ZS_NO_MEMORY;
        data->decoderReady = true;
    }
    data->compressedLeft = h.compressedSize;
    data->uncompressedLeft = h.uncompressedSize;
    data->compressedPos = reader->localHeaderOffset + kLocalHeaderSize + local.variableLength;
    reader->dataReader = std::move(data);
    return ZS_OK;
}

int64_t ReadEntryData(ZipDirectoryReader* reader, uint8_t* dest, uint32_t n) {
    if (reader == nullptr || !reader->dataReader)
        return ZS_INVALID_CALL;
    if (n == 0)
        return 0;
    EntryDataReader& data = *reader->dataReader;
    // The room is fixed here, so no read ever delivers more than the stated size in total.
    data.stream.next_out = dest;
    data.stream.avail_out = static_cast<uInt>(std::min<uint64_t>(n, data.uncompressedLeft));
    uint32_t delivered = 0;
    while (data.stream.avail_out > 0) {
        if (!Refill(data))
            return ZS_IO_ERROR;
        const bool more =
            data.method == kMethodStored ? CopyStored(data, &delivered) : Inflate(data, &delivered);
        if (!more)
            break;
    }
    return delivered;
}

bool EntryDataComplete(const ZipDirectoryReader* reader) {
    return reader != nullptr && reader->dataReader && reader->dataReader->uncompressedLeft == 0;
}

int32_t CloseEntryData(ZipDirectoryReader* reader) {
    if (reader == nullptr || !reader->dataReader)
        return ZS_INVALID_CALL;
    const EntryDataReader& data = *reader->dataReader;
    const int32_t verdict =
        data.uncompressedLeft == 0 && data.crc != data.expectedCrc ? ZS_CRC_MISMATCH : ZS_OK;
    reader->dataReader.reset();
    return verdict;
}
