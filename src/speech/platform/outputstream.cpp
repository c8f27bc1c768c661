#include "speech/platform/outputstream.h"

namespace speech {

OutputStream::~OutputStream() = default;

} // namespace speech
