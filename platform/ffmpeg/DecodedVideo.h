#pragma once
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Video.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Video files decoded with FFmpeg, for the backends' openVideo: the
// headless backend's stream time follows its manual clock, a real
// backend's the system clock. Engine code reaches them only through
// Platform::openVideo.
//
// A stream decodes in update(), on the caller's (the player's worker)
// thread, and only as far as its stream time: each update copies the last
// frame whose time has come into the surface, converted to the surface's
// depth by libswscale. The sound track, when there is one and a device was
// given, is decoded along with the pictures and plays through a looping
// sound buffer of the device (AudioTrack in Ffmpeg.h) while the stream runs.
//
// Untrusted files: the file is read only through the engine's file layer
// (or the bytes given), never through FFmpeg's protocols, and a container
// that names other files to open is refused them. A file that does not open
// or holds no video gives null; a damaged packet is skipped; a file cut
// short ends at its last frame; frames larger than MAX_VIDEO_SIDE are
// refused. Without FFmpeg in the build every open gives null.
namespace platform {

enum { MAX_VIDEO_SIDE = 4096 };

// Whether this build decodes videos.
bool videoDecoding();

std::unique_ptr<VideoStream> openDecodedVideo(const std::string& enginePath, Clock& clock, AudioDevice* audio);
// The same over bytes in memory, which must outlive the stream.
std::unique_ptr<VideoStream> openDecodedVideo(const uint8_t* bytes, size_t size, Clock& clock, AudioDevice* audio);

} // namespace platform
