# Behaves as the Python package's HTTP server does ("python3 -m piper.http_server"): argparse
# options -m/--model (a path), --host, --port, --length-scale; the voice loaded before it
# listens; POST /synthesize with JSON {"text": …} answers the WAV (22,050 Hz mono); an exception
# answers 500 with an HTML page; each request logged on standard error.
#
# Environment: FAKE_PIPER_NO_FLASK ends it at once as the package does without its server's
# part; FAKE_PIPER_ROUTE=/ serves an older version's route ("/" instead of "/synthesize");
# FAKE_PIPER_LOAD_MS waits that long before listening. Texts asking for faults: "fail" (500),
# "hang", "alwaysdie" (the process ends), "die" (ends the first time in a run, marked beside
# $FAKE_ENGINE_LOG).
import argparse, io, json, os, sys, time
from http.server import BaseHTTPRequestHandler, HTTPServer

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__)))))
import standin

if os.environ.get("FAKE_PIPER_NO_FLASK"):
    raise SystemExit("The HTTP server requires additional dependencies. Install with: pip install piper-tts[http]")

parser = argparse.ArgumentParser()
parser.add_argument("--host", default="0.0.0.0")
parser.add_argument("--port", type=int, default=5000)
parser.add_argument("-m", "--model", required=True)
parser.add_argument("--length-scale", "--length_scale", type=float)
parser.add_argument("--data-dir", "--data_dir", action="append", default=[os.getcwd()])
args = parser.parse_args()
if not os.path.exists(args.model):
    raise ValueError("Unable to find voice: %s (use piper.download_voices)" % args.model)
standin.log_start()
time.sleep(int(os.environ.get("FAKE_PIPER_LOAD_MS", "0")) / 1000)
route = os.environ.get("FAKE_PIPER_ROUTE", "/synthesize")


class Handler(BaseHTTPRequestHandler):
    def do_POST(self):
        if self.path != route:
            self.send_error(404)
            return
        data = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
        text = data.get("text", "").strip()
        standin.log_text(text)
        word = text.rstrip("; ,.:")
        if word == "hang":
            time.sleep(3600)
        if word == "alwaysdie":
            os._exit(1)
        if word == "die":
            marker = os.path.join(os.path.dirname(os.environ.get("FAKE_ENGINE_LOG", "/nonexistent/x")), "died-once")
            if not os.path.exists(marker):
                open(marker, "w").close()
                os._exit(1)
        if word == "fail" or not text:
            body = b"<!doctype html>\n<title>500 Internal Server Error</title>\n<h1>Internal Server Error</h1>\n"
            self.send_response(500)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        path = "%s.%d.wav" % (os.environ.get("FAKE_ENGINE_LOG", "/tmp/fake-piper"), os.getpid())
        standin.write_tone(path, text, 22050)
        with open(path, "rb") as f:
            body = f.read()
        os.remove(path)
        self.send_response(200)
        self.send_header("Content-Type", "audio/wav")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


HTTPServer((args.host, args.port), Handler).serve_forever()
