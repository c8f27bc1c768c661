// A stand-in for lexovox-worker that speaks the batch protocol without a synthesiser. What it
// does with a word depends on the word's text: "crash…" aborts, "hang…" never answers (both
// with the word's temporary file open, as a real worker dies in the middle of writing),
// "fail…" answers with a full disk, "slow…" takes a while; anything else is written to the
// file as it is. With FAKE_WORKER_NO_START set it refuses to start.

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include <QJsonDocument>

#include "base/atomicfile.h"
#include "output/batchworker.h"

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
        say(EncodeDone(job->id, written ? S_OK : written.error().Error()));
    }
    return 0;
}
