#include "formats/AcmStream.h"

#include "formats/AlawCodec.h"
#include "formats/FloatCodec.h"
#include "formats/GsmCodec.h"
#include "formats/ImaAdpcmCodec.h"
#include "formats/MsAdpcmCodec.h"
#include "formats/MulawCodec.h"
#include "formats/PcmCodec.h"

#include <algorithm>
#include <cstring>

namespace sv {

namespace {

bool IsPcm16For(const WAVEFORMATEX& pcm, const WAVEFORMATEX& coded) {
    return pcm.formatTag == kWaveFormatPcm && pcm.bitsPerSample == 16 && pcm.channels == coded.channels &&
           pcm.samplesPerSec == coded.samplesPerSec;
}

void BytesToInt16(const std::uint8_t* src, std::size_t count, std::int16_t* dst) {
    for (std::size_t i = 0; i < count; ++i, src += 2)
        dst[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(src[0] | (src[1] << 8)));
}

void Int16ToBytes(const std::int16_t* src, std::size_t count, std::uint8_t* dst) {
    for (std::size_t i = 0; i < count; ++i, dst += 2) {
        auto u = static_cast<std::uint16_t>(src[i]);
        dst[0] = static_cast<std::uint8_t>(u);
        dst[1] = static_cast<std::uint8_t>(u >> 8);
    }
}

}  // namespace

std::unique_ptr<AudioCodec> CreateCodec(const WAVEFORMATEX& coded) {
    if (coded.channels < 1 || coded.channels > 255 || coded.samplesPerSec == 0) return nullptr;
    switch (coded.formatTag) {
    case kWaveFormatIeeeFloat: return CreateFloatCodec(coded);
    case kWaveFormatAlaw: return CreateAlawCodec(coded);
    case kWaveFormatMulaw: return CreateMulawCodec(coded);
    case kWaveFormatImaAdpcm: return CreateImaAdpcmCodec(coded);
    case kWaveFormatMsAdpcm: return CreateMsAdpcmCodec(coded);
    case kWaveFormatGsm610: return CreateGsmCodec(coded);
    case kWaveFormatExtensible: {
        std::uint16_t sub = ExtensibleSubFormat(coded);
        if (sub == kWaveFormatPcm) return CreatePcmCodec(coded);
        if (sub == 0 || sub == kWaveFormatExtensible) return nullptr;
        WAVEFORMATEX plain = coded;
        plain.formatTag = sub;
        plain.extra.clear();
        return CreateCodec(plain);
    }
    default: return nullptr;
    }
}

std::unique_ptr<AcmStream> AcmStream::Open(const WAVEFORMATEX& source, const WAVEFORMATEX& destination,
                                           unsigned flags) {
    (void)flags;  // every codec here runs in real time; the flag changes nothing
    bool decoding;
    std::unique_ptr<AudioCodec> codec;
    if (IsPcm16For(destination, source) && source.formatTag != kWaveFormatPcm) {
        decoding = true;
        codec = CreateCodec(source);
    } else if (IsPcm16For(source, destination) && destination.formatTag != kWaveFormatPcm) {
        decoding = false;
        codec = CreateCodec(destination);
    } else {
        return nullptr;
    }
    if (!codec) return nullptr;
    return std::unique_ptr<AcmStream>(new AcmStream(std::move(codec), decoding));
}

bool AcmStream::Query(const WAVEFORMATEX& source, const WAVEFORMATEX& destination, unsigned flags) {
    return Open(source, destination, flags | kAcmOpenQuery) != nullptr;
}

std::size_t AcmStream::PcmBlockBytes() const {
    return static_cast<std::size_t>(codec_->blockFrames) * static_cast<std::size_t>(codec_->channels) * 2;
}

std::size_t AcmStream::SourceBlockBytes() const {
    return decoding_ ? static_cast<std::size_t>(codec_->blockBytes) : PcmBlockBytes();
}

std::size_t AcmStream::DestinationBlockBytes() const {
    return decoding_ ? PcmBlockBytes() : static_cast<std::size_t>(codec_->blockBytes);
}

std::size_t AcmStream::SourceSizeFor(std::size_t dstBytes) const {
    std::size_t blocks = std::max<std::size_t>(1, dstBytes / DestinationBlockBytes());
    return blocks * SourceBlockBytes();
}

std::size_t AcmStream::DestinationSizeFor(std::size_t srcBytes) const {
    std::size_t blocks = (srcBytes + SourceBlockBytes() - 1) / SourceBlockBytes();
    return std::max<std::size_t>(1, blocks) * DestinationBlockBytes();
}

AcmStream::Result AcmStream::Convert(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* dst,
                                     std::size_t dstLen, unsigned flags) {
    Result r;
    if (flags & kAcmConvertStart) codec_->Restart();
    const std::size_t sb = SourceBlockBytes();
    const std::size_t db = DestinationBlockBytes();
    const std::size_t samplesPerBlock = static_cast<std::size_t>(codec_->blockFrames) * codec_->channels;
    std::size_t blocks = std::min(srcLen / sb, dstLen / db);
    // Work in pieces so that the scratch buffer stays small whatever the caller's buffers.
    const std::size_t piece = std::max<std::size_t>(1, 65536 / samplesPerBlock);
    if (scratch_.size() < piece * samplesPerBlock) scratch_.resize(piece * samplesPerBlock);
    for (std::size_t done = 0; done < blocks;) {
        std::size_t n = std::min(piece, blocks - done);
        const std::uint8_t* in = src + done * sb;
        std::uint8_t* out = dst + done * db;
        if (decoding_) {
            codec_->Decode(in, static_cast<int>(n), scratch_.data());
            Int16ToBytes(scratch_.data(), n * samplesPerBlock, out);
        } else {
            BytesToInt16(in, n * samplesPerBlock, scratch_.data());
            codec_->Encode(scratch_.data(), static_cast<int>(n), out);
        }
        done += n;
    }
    r.sourceUsed = blocks * sb;
    r.destinationUsed = blocks * db;
    std::size_t rest = srcLen - r.sourceUsed;
    if ((flags & kAcmConvertEnd) && rest > 0 && rest < sb) {
        if (decoding_) {
            r.sourceUsed += rest;  // a cut-off last block cannot be decoded
        } else if (dstLen - r.destinationUsed >= db) {
            padded_.assign(sb, 0);
            std::memcpy(padded_.data(), src + r.sourceUsed, rest);
            BytesToInt16(padded_.data(), samplesPerBlock, scratch_.data());
            codec_->Encode(scratch_.data(), 1, dst + r.destinationUsed);
            r.sourceUsed += rest;
            r.destinationUsed += db;
        }
    }
    return r;
}

}  // namespace sv
