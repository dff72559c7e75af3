// What the animation and sound layer gives the layers below it: the
// application's animation and sound managers and the sound codecs, the
// outside decoder of the script application, the window's sound device,
// music player, collision inspector and frame steps, and the scene
// animations and sequences that definition records make, and the random
// sound sets of animation frames.
#include "graphics/Window.h"
#include "graphics/WindowSound.h"
#include "media/AnimationManager.h"
#include "media/Animo6.h"
#include "media/CollisionInspector.h"
#include "media/MusicPlayer.h"
#include "media/RandomSoundSet.h"
#include "media/SequencedPlayable.h"
#include "media/SndStream.h"
#include "media/Sound4.h"
#include "media/SoundCodec.h"
#include "media/SoundManager.h"
#include "script/Application.h"
#include "script/Element.h"

namespace {
CAnimationManager* makeAnimationManager() { return new CAnimationManager; }
void deleteAnimationManager(CAnimationManager* m) { delete m; }
void pauseAnimations(CAnimationManager* m) { m->pause(); }
void resumeAnimations(CAnimationManager* m, CMC_GroupMembers* group) { m->resume(group); }
void stepAnimations(CAnimationManager* m) { m->domodal(); }

CSoundManager* makeSoundManager() { return new CSoundManager; }
void deleteSoundManager(CSoundManager* m) { delete m; }
void pauseSounds(CSoundManager* m) { m->pause(); }
void resumeSounds(CSoundManager* m) { m->resume(); }
void loadSoundDecoder(CWindow* w) { CSoundCodec_ADPCM::initialize(w); }

void createSoundDevice(CWindow* w) { CSound4::CreateDirectSoundInterface(w); }
void destroySoundDevice()
{
    CSound4::DestroySoundBuffer();
    CSndStream::dropLoopReports();
}
CWindowMusic* makeMusicPlayer(CWindow* w) { return new CMusicPlayer(w); }
void soundStep(CWindow* w)
{
    CApplication* app = w->GetApplicationInterface();
    if (CSoundManager* m = app ? app->getSoundManagerIfc() : nullptr)
        m->domodal();
    CSndStream::raiseLoopReports(w);
}

CCollisionInspectorIfc* makeCollisionInspector(CWindow*) { return new CCollisionInspector; }

// An animation record ("TYPE" "ANIMO" with a "FILENAME") gives the
// animation of its file, shown as its "VISIBLE" says.
CPlayable* makeAnimo(CWindow* w, CMElement* element)
{
    CAnimo6* animation = new CAnimo6(w, element->getPropertyValue("FILENAME"));
    animation->setVisibility(element->getPropertyBoolValue("VISIBLE"));
    return animation;
}

CPlayable* makeSequence(CWindow* w, CMElement* element) { return new CSequencedPlayable(w, element); }

CSound4* makeSoundSet(CWindow* w, const CXString& names, bool flushAfterPlayed, bool preload)
{
    return new CRandomSoundSet(w, names, flushAfterPlayed, preload);
}

struct Registration {
    Registration()
    {
        CApplicationLayers& l = CApplication::layers();
        l.makeAnimationManager = &makeAnimationManager;
        l.deleteAnimationManager = &deleteAnimationManager;
        l.pauseAnimations = &pauseAnimations;
        l.resumeAnimations = &resumeAnimations;
        l.makeSoundManager = &makeSoundManager;
        l.deleteSoundManager = &deleteSoundManager;
        l.pauseSounds = &pauseSounds;
        l.resumeSounds = &resumeSounds;
        l.initCodecs = &CSoundCodec::init_codecs;
        l.doneCodecs = &CSoundCodec::done_codecs;
        l.loadSoundDecoder = &loadSoundDecoder;
        l.releaseSoundDecoder = &CSoundCodec_ADPCM::done;
        CWindow::layers().stepAnimations = &stepAnimations;
        CWindow::layers().makeCollisionInspector = &makeCollisionInspector;
        CMElementCreator::setAnimoMaker(&makeAnimo);
        CMElementCreator::setSequenceMaker(&makeSequence);
        CAnimo::setSoundSetMaker(&makeSoundSet);
        CWindowSoundLayer& w = CWindowSoundLayer::get();
        w.createSoundDevice = &createSoundDevice;
        w.destroySoundDevice = &destroySoundDevice;
        w.makeMusicPlayer = &makeMusicPlayer;
        w.soundStep = &soundStep;
    }
} registration;
} // namespace
