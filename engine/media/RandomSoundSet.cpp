#include "media/RandomSoundSet.h"

#include "base/StringTokenizer.h"
#include "base/XRandom.h"
#include "graphics/Window.h"

CRandomSoundSet::CRandomSoundSet(CWindow* w, const CXString& names, bool flushAfterPlayed, bool preload)
    : CSound4(w), sounds(new CXArray(101, 0.75f)), current(nullptr)
{
    setFilename(names);
    CStringTokenizer tokens(names, CXString(";"));
    while (tokens.hasMoreTokens()) {
        CXString name = tokens.nextToken();
        if (name.Find(':') < 0 && window)
            name = window->GetSoundFXFullPath(name);
        sounds->add(new CSound4(window, name, flushAfterPlayed, preload));
    }
}

CRandomSoundSet::~CRandomSoundSet()
{
    for (int i = 0; i < sounds->getSize(); ++i)
        delete static_cast<CSound4*>(sounds->at(i));
    delete sounds;
}

int CRandomSoundSet::getCount() { return sounds->getSize(); }

CSound4* CRandomSoundSet::getSound(int index)
{
    return index >= 0 && index < sounds->getSize() ? static_cast<CSound4*>(sounds->at(index)) : nullptr;
}

bool CRandomSoundSet::pick()
{
    if (sounds->getSize() == 0)
        return false;
    current = getSound(CXRandom::rand15() % sounds->getSize());
    return true;
}

void CRandomSoundSet::Play()
{
    if (pick())
        current->Play();
}

void CRandomSoundSet::Play(bool loop)
{
    if (pick())
        current->Play(loop);
}

void CRandomSoundSet::Stop()
{
    if (current)
        current->Stop();
}

bool CRandomSoundSet::IsPlaying() { return current && current->IsPlaying(); }

void CRandomSoundSet::setVolume(int volume)
{
    for (int i = 0; i < sounds->getSize(); ++i)
        getSound(i)->setVolume(volume);
}

void CRandomSoundSet::setPanning(int pan)
{
    for (int i = 0; i < sounds->getSize(); ++i)
        getSound(i)->setPanning(pan);
}

void CRandomSoundSet::setFrequency(int frequency)
{
    for (int i = 0; i < sounds->getSize(); ++i)
        getSound(i)->setFrequency(frequency);
}
