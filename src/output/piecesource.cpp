#include "output/piecesource.h"

#include "output/batchjob.h"
#include "output/soundoptions.h"

speech::FileEncoding PieceEncoding(const BatchJob& job)
{
    speech::FileEncoding piece = speech::FileEncoding::Of(speech::OutputFileType::Wav);
    piece.pcmFor = job.files.encoding.type;
    piece.loudnessLufs = job.sound.loudnessLufs.value_or(SoundOptions::kDefaultLoudnessLufs);
    return piece;
}
