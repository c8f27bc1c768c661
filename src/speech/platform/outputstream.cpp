#include "speech/platform/outputstream.h"

namespace speech {

OutputStream::~OutputStream() = default;

void OutputStream::BeginPart(Script)
{
}

} // namespace speech
