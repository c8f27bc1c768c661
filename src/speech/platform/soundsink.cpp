#include "speech/platform/soundsink.h"

namespace speech {

SoundSink::~SoundSink() = default;

} // namespace speech
