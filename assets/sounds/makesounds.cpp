// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the drill's two sounds as 16-bit PCM mono wave files:
//   makesounds <folder>  ->  <folder>/Esatto.wav and <folder>/no.wav
// A bright rising chime for a right answer, a soft low "uh-oh" for a wrong one.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 22050;
constexpr double Pi = 3.14159265358979323846;

struct Note {
    double start, length, frequency, loudness, decay;
};

std::vector<double> render(const std::vector<Note> &notes, double seconds, bool bright)
{
    std::vector<double> samples(std::size_t(seconds * Rate), 0.0);
    for (const Note &note : notes) {
        const auto first = std::size_t(note.start * Rate);
        const auto count = std::size_t(note.length * Rate);
        for (std::size_t i = 0; i < count && first + i < samples.size(); ++i) {
            const double t = double(i) / Rate;
            const double attack = std::min(1.0, t / 0.008);
            const double release = std::min(1.0, (note.length - t) / 0.02);
            const double envelope = attack * release * std::exp(-note.decay * t);
            const double phase = 2 * Pi * note.frequency * t;
            double wave = std::sin(phase);
            if (bright)
                wave += 0.35 * std::sin(2 * phase) + 0.15 * std::sin(3 * phase);
            samples[first + i] += note.loudness * envelope * wave;
        }
    }
    return samples;
}

void put32(std::ofstream &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.put(char((v >> (8 * i)) & 0xFF));
}

void put16(std::ofstream &out, std::uint16_t v)
{
    out.put(char(v & 0xFF));
    out.put(char(v >> 8));
}

bool writeWave(const std::string &path, const std::vector<double> &samples)
{
    std::ofstream out(path, std::ios::binary);
    const auto bytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, Rate);
    put32(out, Rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, bytes);
    for (double s : samples)
        put16(out, std::uint16_t(std::int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 32000))));
    return bool(out);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makesounds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    // C6, E6, G6: a quick rising arpeggio.
    const auto chime = render({{0.00, 0.30, 1046.5, 0.30, 9},
                               {0.07, 0.30, 1318.5, 0.30, 9},
                               {0.14, 0.30, 1568.0, 0.34, 8}},
                              0.44, true);
    // A4 then F4, soft and low: "uh-oh".
    const auto uhOh =
        render({{0.00, 0.17, 440.0, 0.45, 4}, {0.20, 0.24, 349.2, 0.45, 5}}, 0.46, false);
    const bool ok = writeWave(folder + "/Esatto.wav", chime) && writeWave(folder + "/no.wav", uhOh);
    if (!ok)
        std::fprintf(stderr, "makesounds: cannot write into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
