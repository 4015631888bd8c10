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

// Encodes interleaved 16-bit samples as an Ogg Vorbis file at a quality of
// -0.1 to 1, with one comment field when a tag is given; false on error.
inline bool WriteOggAt(const std::string& path, int channels, int rate, const std::vector<int16_t>& samples,
                       float quality, const char* tag = nullptr, const std::string& value = std::string()) {
    if (channels < 1) return false;
    const size_t frames = samples.size() / size_t(channels);
    std::vector<std::vector<float>> planes(static_cast<size_t>(channels), std::vector<float>(frames));
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < size_t(channels); ++c) planes[c][i] = samples[i * size_t(channels) + c] / 32768.0f;
    std::vector<const float*> heads;
    for (const std::vector<float>& p : planes) heads.push_back(p.data());
    return oggvorbis::Write(path, heads, frames, rate, quality, tag, value);
}

// The same at the data generator's quality, with one comment field when a tag
// is given (a cover image is one of megabytes).
inline bool WriteOgg(const std::string& path, int channels, int rate, const std::vector<int16_t>& samples,
                     const char* tag = nullptr, const std::string& value = std::string()) {
    return WriteOggAt(path, channels, rate, samples, 0.6f, tag, value);
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

// The first stream's three header packets (identification, comment, setup)
// as the decoder assembles them; fewer when the file has fewer.
inline std::vector<std::string> VorbisHeaders(const std::string& path) {
    std::vector<std::string> packets;
    const std::vector<std::string> pages = OggPages(path);
    if (pages.empty()) return packets;
    ogg_stream_state os;
    ogg_stream_init(&os, 0);
    bool started = false;
    for (const std::string& bytes : pages) {
        std::vector<unsigned char> copy(bytes.begin(), bytes.end());
        const long headerLen = 27 + long(copy[26]);
        ogg_page page{copy.data(), headerLen, copy.data() + headerLen, long(copy.size()) - headerLen};
        if (!started) ogg_stream_reset_serialno(&os, ogg_page_serialno(&page));
        started = true;
        if (ogg_stream_pagein(&os, &page) != 0) continue;
        ogg_packet p;
        while (packets.size() < 3 && ogg_stream_packetout(&os, &p) == 1)
            packets.emplace_back(reinterpret_cast<const char*>(p.packet), size_t(p.bytes));
        if (packets.size() == 3) break;
    }
    ogg_stream_clear(&os);
    return packets;
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
    uint32_t serial = 0;
    for (int b = 3; b >= 0; --b) serial = serial << 8 | uint8_t(pages[0][size_t(14 + b)]);
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

// Copies an Ogg Vorbis file with one comment field `tag`=`value` in place of
// its comments (a cover image is one of megabytes). The comment packet is
// built whole and paged once, which the encoder's own writer, growing its
// buffer 256 bytes at a time, takes minutes to do under the sanitizers.
inline bool WriteOggWithComment(const std::string& from, const std::string& to, const std::string& tag,
                                const std::string& value) {
    const std::vector<std::string> headers = VorbisHeaders(from);
    std::vector<std::string> pages = OggPages(from);
    if (headers.size() < 3 || pages.size() < 2) return false;
    auto le32 = [](std::string& out, uint32_t v) {
        for (int b = 0; b < 4; ++b) out += char((v >> (8 * b)) & 0xFF);
    };
    std::string comment("\x03vorbis", 7);
    const std::string vendor = "test";
    const std::string field = tag + "=" + value;
    comment.reserve(field.size() + 64);
    le32(comment, uint32_t(vendor.size()));
    comment += vendor;
    le32(comment, 1);
    le32(comment, uint32_t(field.size()));
    comment += field;
    comment += char(1);
    // The header pages: the first page as it is, the comment and setup
    // packets paged anew; the audio pages after them numbered on.
    size_t audio = 1;
    uint32_t serial = 0;
    for (int b = 3; b >= 0; --b) serial = serial << 8 | uint8_t(pages[0][size_t(14 + b)]);
    while (audio < pages.size() && OggGranule(pages[audio]) == 0) ++audio;
    ogg_stream_state os;
    ogg_stream_init(&os, int(serial));
    std::vector<std::string> out = {pages[0]};
    long packetno = 1;
    for (const std::string* bytes : {static_cast<const std::string*>(&comment), &headers[2]}) {
        ogg_packet p{};
        p.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes->data()));
        p.bytes = long(bytes->size());
        p.packetno = packetno++;
        ogg_stream_packetin(&os, &p);
    }
    ogg_page page;
    os.pageno = 1;
    os.b_o_s = 1;  // the stream's first page is the one kept
    while (ogg_stream_flush(&os, &page)) {
        out.emplace_back(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
        out.back().append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
    }
    ogg_stream_clear(&os);
    uint32_t sequence = uint32_t(out.size());
    for (size_t k = audio; k < pages.size(); ++k) {
        PutOggField(pages[k], 18, sequence++, 4);
        SetOggChecksum(pages[k]);
        out.push_back(pages[k]);
    }
    return WritePages(to, out);
}

}  // namespace audiotest
