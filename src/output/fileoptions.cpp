#include "output/fileoptions.h"

bool OutputFileOptions::IsCardSafe() const
{
    return cardSafe.value_or(encoding.type != speech::OutputFileType::Wav);
}

FileNaming OutputFileOptions::Naming() const
{
    return {speech::FileTypeExtension(encoding.type), numbered, IsCardSafe()};
}
