// Procedural music: see Music.h.
//
// Sections: instruments (wavetable pad, plucked string, bell); the score; reverb; loop
// cross-fade; Vorbis encoding.
#include "Music.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "GenMath.h"
#include "Noise.h"

namespace qm::gen {

namespace {

constexpr int kTail = 4 * kMusicRate;  // rendered past the end and folded into the start
constexpr float kChordSeconds = 12;

float MidiHz(int note) { return 440.0f * std::pow(2.0f, (note - 69) / 12.0f); }

// A soft organ-like wave: a few gentle harmonics, read from a table.
class PadTable {
 public:
  PadTable() : m_table(kSize) {
    for (int i = 0; i < kSize; ++i) {
      float a = 2 * kPi * i / kSize;
      m_table[i] = std::sin(a) + 0.28f * std::sin(2 * a) + 0.12f * std::sin(3 * a) + 0.05f * std::sin(5 * a);
    }
  }
  float At(double phase) const {
    double p = (phase - std::floor(phase)) * kSize;
    int i = static_cast<int>(p);
    float f = static_cast<float>(p - i);
    return m_table[i] + (m_table[(i + 1) % kSize] - m_table[i]) * f;
  }

 private:
  static constexpr int kSize = 4096;
  std::vector<float> m_table;
};

// ---- the score ----------------------------------------------------------------------------

// Four chords of the D major pentatonic (D E F# A B), as MIDI notes.
const int kChords[4][4] = {{50, 57, 64, 66}, {47, 54, 62, 69}, {45, 52, 59, 64}, {43, 50, 57, 62}};
const int kScale[] = {62, 64, 66, 69, 71, 74, 76, 78, 81, 83};

void AddPads(std::vector<float>& out, size_t frames) {
  PadTable table;
  const float detune[3] = {-0.0035f, 0.0f, 0.0041f};
  for (size_t n = 0; n < frames; ++n) {
    double t = static_cast<double>(n) / kMusicRate;
    double pos = t / kChordSeconds;
    int c = static_cast<int>(std::floor(pos));
    float f = static_cast<float>(pos - c);
    // Each chord swells in and hands over to the next over the last three seconds.
    float fade = Smoothstep(1 - 3 / kChordSeconds, 1, f);
    float swell = 0.85f + 0.15f * std::sin(static_cast<float>(t) * 0.4f);
    float l = 0, r = 0;
    for (int which = 0; which < 2; ++which) {
      const int* chord = kChords[(c + which) % 4];
      float w = which == 0 ? 1 - fade : fade;
      if (w <= 0) continue;
      for (int k = 0; k < 4; ++k)
        for (int v = 0; v < 3; ++v) {
          float s = table.At(t * MidiHz(chord[k]) * (1 + detune[v])) * w;
          l += s * (v == 0 ? 0.8f : (v == 1 ? 0.5f : 0.2f));
          r += s * (v == 2 ? 0.8f : (v == 1 ? 0.5f : 0.2f));
        }
    }
    out[2 * n] += l * 0.018f * swell;
    out[2 * n + 1] += r * 0.018f * swell;
  }
}

// Plucked string (Karplus-Strong) starting at frame `start`.
void AddPluck(std::vector<float>& out, size_t start, float hz, float gain, float pan, uint32_t seed) {
  size_t period = static_cast<size_t>(kMusicRate / hz);
  std::vector<float> line(period);
  Rng rng(seed);
  float prev = 0;
  for (float& s : line) {
    prev = prev * 0.6f + rng.Range(-1, 1) * 0.4f;  // a mellow, filtered burst
    s = prev;
  }
  size_t length = static_cast<size_t>(kMusicRate * 3.5f);
  size_t i = 0;
  for (size_t n = 0; n < length && start + n < out.size() / 2; ++n) {
    size_t j = (i + 1) % period;
    float v = line[i];
    line[i] = (line[i] + line[j]) * 0.5f * 0.9975f;
    i = j;
    float env = std::fmin(1.0f, static_cast<float>(n) / 60.0f);
    out[2 * (start + n)] += v * gain * env * (1 - pan);
    out[2 * (start + n) + 1] += v * gain * env * pan;
  }
}

void AddBell(std::vector<float>& out, size_t start, float hz, float gain, float pan) {
  size_t length = static_cast<size_t>(kMusicRate * 5);
  for (size_t n = 0; n < length && start + n < out.size() / 2; ++n) {
    float t = static_cast<float>(n) / kMusicRate;
    float v = std::sin(2 * kPi * hz * t) * std::exp(-t * 0.9f) + 0.4f * std::sin(2 * kPi * hz * 2.76f * t) * std::exp(-t * 2.5f);
    float env = std::fmin(1.0f, n / 200.0f);
    out[2 * (start + n)] += v * gain * env * (1 - pan);
    out[2 * (start + n) + 1] += v * gain * env * pan;
  }
}

void AddMelody(std::vector<float>& out) {
  Rng rng(468);
  double t = 0.5;
  int degree = 3;
  while (t < kMusicSeconds - 0.5) {
    degree = std::clamp(degree + rng.Int(-2, 2), 0, 9);
    float gain = rng.Range(0.05f, 0.09f);
    AddPluck(out, static_cast<size_t>(t * kMusicRate), MidiHz(kScale[degree]), gain, rng.Range(0.25f, 0.75f),
             rng.Next());
    if (rng.Int(0, 9) == 0)
      AddBell(out, static_cast<size_t>(t * kMusicRate), MidiHz(kScale[rng.Int(5, 9)] + 12), 0.025f, rng.Range(0.2f, 0.8f));
    // Phrases: runs of quicker notes, then rests.
    t += rng.Int(0, 4) == 0 ? rng.Range(1.8f, 3.2f) : rng.Range(0.35f, 0.9f);
  }
}

// ---- reverb -------------------------------------------------------------------------------

// Schroeder reverb per channel: four combs in parallel, two all-passes in series.
void AddReverb(std::vector<float>& out, size_t frames) {
  const int combs[2][4] = {{1557, 1617, 1491, 1422}, {1580, 1640, 1514, 1445}};
  const int passes[2][2] = {{225, 556}, {248, 579}};
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<std::vector<float>> cb(4), ap(2);
    for (int k = 0; k < 4; ++k) cb[k].assign(static_cast<size_t>(combs[ch][k] * 2), 0);
    for (int k = 0; k < 2; ++k) ap[k].assign(static_cast<size_t>(passes[ch][k]), 0);
    size_t ci[4] = {}, ai[2] = {};
    float low[4] = {};
    for (size_t n = 0; n < frames; ++n) {
      float in = out[2 * n + ch], wet = 0;
      for (int k = 0; k < 4; ++k) {
        float y = cb[k][ci[k]];
        low[k] = y * 0.7f + low[k] * 0.3f;
        cb[k][ci[k]] = in + low[k] * 0.84f;
        ci[k] = (ci[k] + 1) % cb[k].size();
        wet += y;
      }
      for (int k = 0; k < 2; ++k) {
        float b = ap[k][ai[k]];
        float y = -wet + b;
        ap[k][ai[k]] = wet + b * 0.5f;
        ai[k] = (ai[k] + 1) % ap[k].size();
        wet = y;
      }
      out[2 * n + ch] = in * 0.75f + wet * 0.12f;
    }
  }
}

// ---- Vorbis -------------------------------------------------------------------------------

void FlushPages(ogg_stream_state& os, Bytes& out, bool force) {
  ogg_page page;
  while (force ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  }
}

}  // namespace

std::vector<float> RenderMusic() {
  size_t frames = static_cast<size_t>(kMusicSeconds) * kMusicRate + kTail;
  std::vector<float> x(frames * 2, 0.0f);
  AddPads(x, frames);
  AddMelody(x);
  AddReverb(x, frames);
  // Fold the tail into the start: sample N-1 is followed by what was rendered at N.
  size_t n = static_cast<size_t>(kMusicSeconds) * kMusicRate;
  std::vector<float> out(x.begin(), x.begin() + static_cast<long>(n * 2));
  for (size_t i = 0; i < static_cast<size_t>(kTail); ++i) {
    float a = static_cast<float>(i) / kTail * kPi / 2;
    for (int ch = 0; ch < 2; ++ch) out[2 * i + ch] = x[2 * i + ch] * std::sin(a) + x[2 * (n + i) + ch] * std::cos(a);
  }
  return out;
}

Bytes ComposeMusicOgg() { return EncodeOggVorbis(RenderMusic()); }

Bytes EncodeOggVorbis(const std::vector<float>& pcm) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, 2, kMusicRate, 0.2f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x514d4d31);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  Bytes out;
  FlushPages(os, out, true);
  size_t frames = pcm.size() / 2, pos = 0;
  bool done = false;
  while (!done) {
    size_t chunk = std::min<size_t>(4096, frames - pos);
    if (chunk == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
      for (size_t i = 0; i < chunk; ++i) {
        buf[0][i] = pcm[2 * (pos + i)];
        buf[1][i] = pcm[2 * (pos + i) + 1];
      }
      vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
      pos += chunk;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        FlushPages(os, out, false);
        if (op.e_o_s) done = true;
      }
    }
  }
  FlushPages(os, out, true);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

}  // namespace qm::gen
