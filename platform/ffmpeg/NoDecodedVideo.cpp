// The build without FFmpeg: no video opens, and a movie reports finished
// as soon as it is played.
#include "platform/ffmpeg/DecodedVideo.h"

namespace platform {

bool videoDecoding() { return false; }

std::unique_ptr<VideoStream> openDecodedVideo(const std::string&, Clock&, AudioDevice*) { return nullptr; }

std::unique_ptr<VideoStream> openDecodedVideo(const uint8_t*, size_t, Clock&, AudioDevice*) { return nullptr; }

} // namespace platform
