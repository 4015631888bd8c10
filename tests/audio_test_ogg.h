// Ogg Vorbis files for the music tests, encoded with the data generator's
// libvorbisenc writer from samples the test makes, so no sound file is ever
// fetched. Only the tests that link vorbisenc include this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "../tools/datagen/ogg_vorbis.h"

namespace audiotest {

// Encodes interleaved 16-bit samples as an Ogg Vorbis file, with one comment
// field when a tag is given (a cover image is one of megabytes); false on error.
inline bool WriteOgg(const std::string& path, int channels, int rate, const std::vector<int16_t>& samples,
                     const char* tag = nullptr, const std::string& value = std::string()) {
    if (channels < 1) return false;
    const size_t frames = samples.size() / size_t(channels);
    std::vector<std::vector<float>> planes(static_cast<size_t>(channels), std::vector<float>(frames));
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < size_t(channels); ++c) planes[c][i] = samples[i * size_t(channels) + c] / 32768.0f;
    std::vector<const float*> heads;
    for (const std::vector<float>& p : planes) heads.push_back(p.data());
    return oggvorbis::Write(path, heads, frames, rate, 0.6f, tag, value);
}

// The pages of an Ogg file, each as its bytes (header and body); empty when
// the file cannot be read.
inline std::vector<std::string> OggPages(const std::string& path) {
    std::vector<std::string> pages;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return pages;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    ogg_page page;
    for (;;) {
        if (ogg_sync_pageout(&sync, &page) == 1) {
            pages.emplace_back(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
            pages.back().append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
            continue;
        }
        char* buffer = ogg_sync_buffer(&sync, 4096);
        const size_t n = std::fread(buffer, 1, 4096, in);
        if (n == 0) break;
        ogg_sync_wrote(&sync, long(n));
    }
    ogg_sync_clear(&sync);
    std::fclose(in);
    return pages;
}

// Makes a page's checksum anew after its header was changed.
inline void SetOggChecksum(std::string& page) {
    std::vector<unsigned char> bytes(page.begin(), page.end());
    const long headerLen = 27 + long(bytes[26]);
    ogg_page p{bytes.data(), headerLen, bytes.data() + headerLen, long(bytes.size()) - headerLen};
    ogg_page_checksum_set(&p);
    page.assign(bytes.begin(), bytes.end());
}

// Writes a page field of `bytes` bytes at `at`, least significant byte first.
inline void PutOggField(std::string& page, size_t at, uint64_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) page[at + size_t(b)] = char((value >> (8 * b)) & 0xFF);
}

inline bool WritePages(const std::string& path, const std::vector<std::string>& pages) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = true;
    for (const std::string& p : pages) ok = ok && std::fwrite(p.data(), 1, p.size(), out) == p.size();
    return std::fclose(out) == 0 && ok;
}

// Joins Ogg files into one chained file, each as a link of its own: every
// page of file k is given the serial number 559 + k (its checksum made anew),
// since links that shared one serial number would read as one broken stream.
// A file may be named more than once.
inline bool WriteChainedOgg(const std::string& path, const std::vector<std::string>& files) {
    std::vector<std::string> chain;
    for (size_t k = 0; k < files.size(); ++k) {
        std::vector<std::string> pages = OggPages(files[k]);
        if (pages.empty()) return false;
        for (std::string& page : pages) {
            PutOggField(page, 14, uint32_t(oggvorbis::kSerial) + uint32_t(k), 4);
            SetOggChecksum(page);
            chain.push_back(std::move(page));
        }
    }
    return WritePages(path, chain);
}

// An Ogg page with no packet in it: 27 header bytes and an empty segment table.
inline std::string EmptyOggPage(uint32_t serial, uint32_t sequence, int64_t granule, bool firstOfStream) {
    std::string page = std::string("OggS") + std::string(23, '\0');
    page[5] = firstOfStream ? 2 : 0;
    PutOggField(page, 6, uint64_t(granule), 8);
    PutOggField(page, 14, serial, 4);
    PutOggField(page, 18, sequence, 4);
    SetOggChecksum(page);
    return page;
}

// The granule position (samples so far) that a page's header gives.
inline int64_t OggGranule(const std::string& page) {
    uint64_t g = 0;
    for (int b = 7; b >= 0; --b) g = g << 8 | uint8_t(page[size_t(6 + b)]);
    return int64_t(g);
}

// The pages of a piece followed, before its last page, by `pairs` pairs of
// pages: the first page of a stream that is not the piece's, then an empty
// page of the piece's own. Every pair makes the decoder set itself up again
// and gives no sample, so a decoder left alone would run through all of them
// in one call.
inline bool WriteStreamSwitchOgg(const std::string& path, std::vector<std::string> pages, int pairs) {
    if (pages.size() < 2) return false;
    std::string last = pages.back();
    pages.pop_back();
    const uint32_t serial = uint32_t(oggvorbis::kSerial);
    uint32_t sequence = uint32_t(pages.size());
    for (int k = 0; k < pairs; ++k) {
        pages.push_back(EmptyOggPage(serial + 1 + uint32_t(k), 0, 0, true));
        pages.push_back(EmptyOggPage(serial, sequence++, -1, false));
    }
    // The last page takes the next number of the piece's own.
    PutOggField(last, 18, sequence, 4);
    SetOggChecksum(last);
    pages.push_back(last);
    return WritePages(path, pages);
}

}  // namespace audiotest
