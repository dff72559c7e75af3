// The WAV readers on arbitrary bytes, as a damaged sound file of a title
// would present them: a sound effect's load (header, format, PCM codec) and
// play, and a stream's header parse, set-up fill and refills, looping and
// not, on the headless platform's mixer and timers.
#include "../InputFile.h"
#include "media/SndStream.h"
#include "media/Sound4.h"
#include "media/SoundCodec.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

struct World {
    platform::ManualClock clock{1000};
    std::unique_ptr<platform::Platform> headless = platform::createHeadlessPlatform(clock);
    World()
    {
        platform::setClock(&clock);
        platform::setPlatform(headless.get());
        CSound4::CreateDirectSoundInterface(nullptr);
        CSound4::CreatePrimarySoundBuffer(nullptr);
        CSoundCodec::init_codecs();
    }
    // The device goes before the platform and the clock it follows.
    ~World()
    {
        CSoundCodec::done_codecs();
        CSoundCodec_ADPCM::done();
        CSound4::DestroySoundBuffer();
        platform::setPlatform(nullptr);
        platform::setClock(nullptr);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static World world;
    if (!fuzzinput::write("fuzz.wav", data, size))
        return 0;
    const CXString name("F:\\fuzz.wav");
    {
        CSound4 sound(nullptr, name, false, true);
        sound.play();
        world.clock.advance(30);
        sound.Play(true);
        world.clock.advance(30);
    }
    {
        CSndStream stream(nullptr, name);
        stream.Play(true);
        world.clock.advance(160);
        stream.Stop();
        stream.ResetWavePlayer();
        stream.Play(false);
        world.clock.advance(110);
    }
    return 0;
}
