// A stand-in for lexovox-worker that speaks the batch protocol without a synthesiser. What it
// does with a word depends on the word's text: "crash…" aborts, "hang…" never answers (both
// with the word's temporary file open, as a real worker dies in the middle of writing),
// "vanish…" aborts once its file is named, before it answers,
// "fail…" answers with a full disk, "slow…" takes a while; anything else is written to the
// file as it is. A lesson's piece is a WAV at 16 kHz (the tests' format): 50 ms of silence,
// then a tone of 0.3 s and a tenth of a second more for each step of its number modulo 4, so
// where each word begins and how long it is are known. With FAKE_WORKER_NO_START set it refuses
// to start.

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include <cmath>
#include <vector>

#include <QFile>
#include <QJsonDocument>

#include <sndfile.h>

#include "base/atomicfile.h"
#include "output/batchworker.h"

namespace {

bool writePiece(const QString& path, int number)
{
    constexpr int kRate = 16000;
    std::vector<short> samples(std::size_t(kRate * (0.05 + 0.3 + 0.1 * (number % 4))), 0);
    for (std::size_t i = kRate / 20; i < samples.size(); ++i)
        samples[i] = short(8000 * std::sin(2 * M_PI * 440 * double(i) / kRate));
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sound)
        return false;
    const bool whole = sf_write_short(sound, samples.data(), sf_count_t(samples.size())) == sf_count_t(samples.size());
    return sf_close(sound) == 0 && whole;
}

} // namespace

int main()
{
    using namespace batchprotocol;
    const auto say = [](const QByteArray& bytes) {
        std::cout.write(bytes.constData(), bytes.size());
        std::cout.flush();
    };
    // The job comes first; a broken one is refused as the real worker refuses it.
    std::string line;
    if (!std::getline(std::cin, line) || !QJsonDocument::fromJson(QByteArray::fromStdString(line)).isObject()) {
        say(EncodeStartFailure(QStringLiteral("no job")));
        return 1;
    }
    if (std::getenv("FAKE_WORKER_NO_START")) {
        say(EncodeStartFailure(QStringLiteral("no voice")));
        return 1;
    }
    say(EncodeReady());
    while (std::getline(std::cin, line)) {
        const std::optional<Request> job = DecodeRequest(QByteArray::fromStdString(line));
        if (!job)
            continue;
        if (job->piece) {
            if (job->text.contains(u"crash"))
                std::abort();
            if (job->text.contains(u"slow"))
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const bool spoken = !job->text.contains(u"fail") && writePiece(job->path, job->track);
            say(EncodeDone(job->id, spoken ? S_OK : STG_E_MEDIUMFULL, spoken ? 0.35 + 0.1 * (job->track % 4) : 0));
            continue;
        }
        if (job->text.startsWith(u"fail")) {
            say(EncodeDone(job->id, STG_E_MEDIUMFULL));
            continue;
        }
        AtomicFile file;
        Result<void> written = file.Open(job->path, u".wav");
        if (job->text.startsWith(u"crash"))
            std::abort();
        if (job->text.startsWith(u"hang"))
            std::this_thread::sleep_for(std::chrono::hours(1));
        if (job->text.startsWith(u"slow"))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (written) {
            const QByteArray bytes = job->text.toUtf8();
            written = ::write(file.Handle(), bytes.constData(), size_t(bytes.size())) == bytes.size()
                ? file.Commit()
                : Fail(ComError(STG_E_WRITEFAULT));
        }
        // Killed between naming the file and answering.
        if (job->text.startsWith(u"vanish"))
            std::abort();
        say(EncodeDone(job->id, written ? S_OK : written.error().Error()));
    }
    return 0;
}
