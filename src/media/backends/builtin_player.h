// The built-in player (identifier 4): sound and video files through FFmpeg, MIDI files through
// FluidSynth, audio-CD tracks through libcdio-paranoia, the sound out through SDL2 audio. The
// pictures of a video go to the video window given with the file: refreshing the display puts in
// the picture due at the audible position, and a seek puts in the one due at the target at once.
// A video without sound plays on a steady clock of silence.
//
// Other speeds keep the pitch and the key can move by semitones: a MIDI file by its tempo and
// transposed notes, everything else through a time stretcher.
//
// Its clock is the output's: the frames that have reached the output minus the output's latency
// (a sound server's behind it included, as it is at the time), mapped back to media time, so a
// position is exact, never goes back while playing, stands still while paused and goes on from
// there on resuming. Seeking decodes up to the very frame asked for.
//
// The player is driven from one thread; the output pulls sound on its own thread. See
// tAudioEngine for how the two share the medium.
#pragma once

#include "media/backends/builtin/audio_engine.h"
#include "media/backends/builtin/audio_output.h"
#include "media/backends/builtin/video_decoder.h"
#include "media/media_timing.h"
#include "media/player.h"

#include <memory>

namespace lyrimo {

class tBuiltinPlayer : public tPlayer {
public:
    // Plays through the system's sound output.
    tBuiltinPlayer();
    // Plays through the outputs the factory makes (tests pull the sound themselves).
    explicit tBuiltinPlayer(tAudioOutputFactory makeOutput);
    ~tBuiltinPlayer() override;

    uint8_t PlayerID() override;
    bool IsAvailable() override;
    int TrackCount() override;
    int GetPosition() override;
    int GetLength() override;
    void SetPosition(int ms) override;
    void SetDisplayRect(const tDisplayRect& rect) override;
    void RefreshDisplay() override;
    bool CanChangeRate() override { return true; }
    void Play() override;
    void PauseResume() override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsPaused() override;
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) override;
    bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent) override;
    void Close() override;
    void SetRate(double rate) override;
    double GetRate() override;
    bool CanChangeKey() override { return true; }
    void SetKey(int semitones) override;
    int GetKey() override;
    int VideoWidth() override;
    int VideoHeight() override;

    static constexpr double kMinRate = 0.4;
    static constexpr double kMaxRate = 4.5;

    // The engine underneath, for measuring its clock.
    tAudioEngine& Engine() { return engine_; }

private:
    bool OpenOutput(QString& reason);
    void Start(std::unique_ptr<tPcmSource> source);
    // The sound of a file, or the silence its video plays to; opens the video too.
    std::unique_ptr<tPcmSource> OpenSoundAndVideo(const QString& fileName, QString& reason);
    // Shows the picture due at the raw media time ms.
    void SeekVideo(int ms);
    // The clock takes the output's latency as it is now: a sound server's part of it can change.
    void FollowOutputLatency();
    // The media frame heard now.
    double HeardFrames();
    bool SmoothsCdPositions() const;
    int FramesToMs(double frames) const;

    tAudioEngine engine_;
    tAudioOutputFactory makeOutput_;
    std::unique_ptr<tAudioOutput> output_; // declared after the engine: stops pulling before it goes
    bool open_ = false;
    bool cd_ = false;
    int trackCount_ = 0;
    tCdPositionSmoother smoother_;
    std::unique_ptr<tVideoDecoder> video_;
    tVideoWindow* window_ = nullptr; // where the pictures go; none for sound only
};

} // namespace lyrimo
