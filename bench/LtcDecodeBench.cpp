// What reading LTC costs: one second of audio through the program's audio-thread decoding and
// its reading side, against a plain libltc reader of the same signal in the same run. The goal
// is under 1 % of a core at 48 kHz (10 ms per second of audio), under 5 % at 192 kHz, and
// within 1.5 times the plain reader. The argument is the sample rate; one iteration is one
// second of audio, so its CPU time in milliseconds divided by ten is the share of a core in
// percent.

#include <benchmark/benchmark.h>
#include <ltc.h>

#include <vector>

#include "platform/jack/JackTimecodeSource.h"

namespace {

constexpr int kPeriod = 256;  // samples a JACK cycle

// One second of LTC at 25 fps, running from 10:00:00:00.
std::vector<float> oneSecond(double sampleRate) {
    LTCEncoder* encoder = ltc_encoder_create(sampleRate, 25, LTC_TV_625_50, 0);
    SMPTETimecode start{"+0000", 0, 0, 0, 10, 0, 0, 0};
    ltc_encoder_set_timecode(encoder, &start);
    std::vector<float> samples;
    for (int f = 0; f < 25; ++f) {
        ltc_encoder_encode_frame(encoder);
        ltcsnd_sample_t* buffer = nullptr;
        const int length = ltc_encoder_get_bufferptr(encoder, &buffer, 1);
        for (int s = 0; s < length; ++s) samples.push_back((buffer[s] - 128) / 127.0F);
        ltc_encoder_inc_timecode(encoder);
    }
    ltc_encoder_free(encoder);
    return samples;
}

// The plain reader: libltc's decoder, fed a period at a time, each frame read and turned
// into hours, minutes, seconds and frames.
void BM_PlainLibltcReader(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    std::vector<float> audio = oneSecond(rate);
    LTCDecoder* decoder = ltc_decoder_create(static_cast<int>(rate / 25), 32);
    ltc_off_t position = 0;
    int frames = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < audio.size(); at += kPeriod) {
            const auto n = std::min<std::size_t>(kPeriod, audio.size() - at);
            ltc_decoder_write_float(decoder, audio.data() + at, n, position);
            position += static_cast<ltc_off_t>(n);
            LTCFrameExt frame;
            while (ltc_decoder_read(decoder, &frame)) {
                SMPTETimecode time;
                ltc_frame_to_time(&time, &frame.ltc, 0);
                benchmark::DoNotOptimize(time);
                ++frames;
            }
        }
    }
    ltc_decoder_free(decoder);
    state.counters["frames_per_second_of_audio"] =
        benchmark::Counter(frames / static_cast<double>(state.iterations()));

}

// The program's path: decoding and stamping on the audio thread's side, then the frames
// taken out of the ring and read as the reading thread does (rate, direction, latency).
void BM_GlimmarkLtcPath(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    std::vector<float> audio = oneSecond(rate);
    platform::jack::LtcDecoding decoding(rate);
    const double microsPerSample = 1e6 / rate;
    std::int64_t cycleStart = 0;
    int frames = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < audio.size(); at += kPeriod) {
            const auto n =
                static_cast<std::uint32_t>(std::min<std::size_t>(kPeriod, audio.size() - at));
            decoding.write(audio.data() + at, n, cycleStart, microsPerSample);
            cycleStart += static_cast<std::int64_t>(n * microsPerSample);
            platform::jack::LtcDecoding::Record record;
            while (decoding.read(record)) {
                benchmark::DoNotOptimize(decoding.frameOf(record, 5'333));
                ++frames;
            }
        }
    }
    state.counters["frames_per_second_of_audio"] =
        benchmark::Counter(frames / static_cast<double>(state.iterations()));

}

BENCHMARK(BM_PlainLibltcReader)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlimmarkLtcPath)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond);

}  // namespace
