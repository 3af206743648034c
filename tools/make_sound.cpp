// make-sound: writes the chime played after a computer move ("T1") as a RIFF WAVE file.
//
//   make-sound OUTPUT.wav
//
// 16-bit mono PCM at 22050 Hz, 19839 samples (0.9 s, 39,722 bytes): two soft bell-like notes,
// G5 then C6, each with a short raised-cosine attack and an exponential decay, and a fade to
// silence at the end, so playback starts and stops without a click. The output is the same on
// every run; resources/sound/t1.wav is this tool's output.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr int kSamples = 19839;  // 44-byte header + 2 bytes each = 39,722 bytes

struct Note {
  double start;      // seconds
  double frequency;  // Hz
  double gain;
};

// Fundamental with two quiet overtones; the overtones die away faster, as in a struck bell.
double Voice(const Note& note, double t) {
  const double local = t - note.start;
  if (local < 0) return 0;
  constexpr double kAttack = 0.010;
  const double attack =
      local < kAttack ? 0.5 - 0.5 * std::cos(std::numbers::pi * local / kAttack) : 1.0;
  const double w = 2 * std::numbers::pi * note.frequency * local;
  const double tone = std::sin(w) * std::exp(-local / 0.30) +
                      0.25 * std::sin(2 * w) * std::exp(-local / 0.12) +
                      0.08 * std::sin(3 * w) * std::exp(-local / 0.06);
  return note.gain * attack * tone;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sound OUTPUT.wav\n");
    return 2;
  }
  const Note notes[] = {{0.0, 783.99, 0.42}, {0.16, 1046.50, 0.38}};
  constexpr double kDuration = static_cast<double>(kSamples) / kRate;
  constexpr double kFadeOut = 0.12;

  const std::uint32_t data_bytes = kSamples * 2;
  std::vector<std::uint8_t> wav;
  PutTag(wav, "RIFF");
  Put32(wav, 36 + data_bytes);
  PutTag(wav, "WAVE");
  PutTag(wav, "fmt ");
  Put32(wav, 16);         // size of the format block
  Put16(wav, 1);          // PCM
  Put16(wav, 1);          // mono
  Put32(wav, kRate);      // samples per second
  Put32(wav, kRate * 2);  // bytes per second
  Put16(wav, 2);          // bytes per sample frame
  Put16(wav, 16);         // bits per sample
  PutTag(wav, "data");
  Put32(wav, data_bytes);
  for (int i = 0; i < kSamples; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0;
    for (const Note& note : notes) v += Voice(note, t);
    const double left = kDuration - t;
    if (left < kFadeOut) v *= 0.5 - 0.5 * std::cos(std::numbers::pi * left / kFadeOut);
    const long sample = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
    Put16(wav, static_cast<unsigned>(sample) & 0xFFFF);
  }

  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(wav.data(), 1, wav.size(), file) == wav.size();
  if (std::fclose(file) != 0 || !ok) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
