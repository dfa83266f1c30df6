#include "vexasim/LtcPlayer.h"

namespace vexasim {

std::unique_ptr<LtcPlayer> LtcPlayer::open(Options options, std::string* why) {
    std::unique_ptr<LtcPlayer> player(new LtcPlayer(std::move(options)));
    const Options& o = player->m_options;
    const auto flags = static_cast<jack_options_t>(
        JackNoStartServer | (o.serverName.empty() ? JackNullOption : JackServerName));
    player->m_client = jack_client_open(o.clientName.c_str(), flags, nullptr, o.serverName.c_str());
    if (player->m_client == nullptr) {
        *why = "no JACK server answers";
        return nullptr;
    }
    player->m_sampleRate = jack_get_sample_rate(player->m_client);
    player->m_port =
        jack_port_register(player->m_client, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    const double fps = framesPerSecond(o.rate);
    const LTC_TV_STANDARD standard = o.rate == FrameRate::fps25   ? LTC_TV_625_50
                                     : o.rate == FrameRate::fps24 ? LTC_TV_FILM_24
                                                                  : LTC_TV_525_60;
    player->m_encoder = ltc_encoder_create(player->m_sampleRate, fps, standard, 0);
    if (player->m_port == nullptr || player->m_encoder == nullptr) {
        *why = "JACK refused the audio port";
        return nullptr;
    }
    ltc_encoder_set_volume(player->m_encoder, o.levelDbfs);
    SMPTETimecode start{"+0000",
                        0,
                        0,
                        0,
                        static_cast<unsigned char>(o.startAt.hours),
                        static_cast<unsigned char>(o.startAt.minutes),
                        static_cast<unsigned char>(o.startAt.seconds),
                        static_cast<unsigned char>(o.startAt.frames)};
    ltc_encoder_set_timecode(player->m_encoder, &start);
    jack_set_process_callback(player->m_client, &LtcPlayer::process, player.get());
    if (jack_activate(player->m_client) != 0) {
        *why = "JACK would not run the player";
        return nullptr;
    }
    return player;
}

LtcPlayer::~LtcPlayer() {
    if (m_client != nullptr)
        jack_client_close(m_client);
    if (m_encoder != nullptr)
        ltc_encoder_free(m_encoder);
}

std::string LtcPlayer::portName() const {
    return jack_port_name(m_port);
}

LtcPlayer::Played LtcPlayer::newest() const {
    for (;;) {
        const std::uint32_t before = m_sequence.load(std::memory_order_acquire);
        const Played played{m_newestFrames.load(std::memory_order_relaxed),
                            m_newestAt.load(std::memory_order_relaxed)};
        if (before % 2 == 0 && m_sequence.load(std::memory_order_acquire) == before)
            return played;
    }
}

int LtcPlayer::process(jack_nframes_t frames, void* self) {
    auto& p = *static_cast<LtcPlayer*>(self);
    auto* out = static_cast<float*>(jack_port_get_buffer(p.m_port, frames));
    const Options& o = p.m_options;
    for (jack_nframes_t i = 0; i < frames; ++i) {
        // A phase changes only between frames, so the signal never stops inside one.
        if (p.m_played == p.m_frameLength && o.runSeconds > 0) {
            const auto limit = static_cast<std::int64_t>(
                (p.m_paused ? o.pauseSeconds : o.runSeconds) * p.m_sampleRate);
            if (p.m_samplesInPhase >= limit) {
                p.m_paused = !p.m_paused && o.pauseSeconds > 0;
                p.m_samplesInPhase = 0;
            }
        }
        ++p.m_samplesInPhase;
        if (p.m_paused) {
            out[i] = 0;
            continue;
        }
        if (p.m_played == p.m_frameLength) {
            if (p.m_frame != nullptr)
                ltc_encoder_inc_timecode(p.m_encoder);
            jack_nframes_t cycleFrames = 0;
            jack_time_t cycleMicros = 0, nextMicros = 0;
            float period = 0;
            jack_get_cycle_times(p.m_client, &cycleFrames, &cycleMicros, &nextMicros, &period);
            p.m_sequence.fetch_add(1, std::memory_order_acq_rel);
            p.m_newestFrames.fetch_add(1, std::memory_order_relaxed);
            const double microsPerSample =
                nextMicros > cycleMicros ? double(nextMicros - cycleMicros) / frames
                                         : 1e6 / p.m_sampleRate;
            p.m_newestAt.store(static_cast<std::int64_t>(cycleMicros) +
                                   static_cast<std::int64_t>(i * microsPerSample),
                               std::memory_order_relaxed);
            p.m_sequence.fetch_add(1, std::memory_order_release);
            ltc_encoder_encode_frame(p.m_encoder);
            p.m_frameLength = ltc_encoder_get_bufferptr(p.m_encoder, &p.m_frame, 1);
            p.m_played = 0;
        }
        out[i] = (p.m_frame[p.m_played++] - 128) / 127.0F;
    }
    return 0;
}

}  // namespace vexasim
