# What the stand-ins of speech programs share: logging what they were asked, and a tone as
# their sound, its length growing with the text.
import json, math, os, struct, sys, wave

def log(path_variable, line):
    path = os.environ.get(path_variable)
    if path:
        with open(path, "a", encoding="utf-8") as f:
            f.write(line + "\n")

def log_start():
    log("FAKE_ENGINE_PIDS", str(os.getpid()))

def log_text(text):
    log("FAKE_ENGINE_LOG", json.dumps({"text": text, "args": sys.argv[1:]}, ensure_ascii=False))

def write_tone(path, text, rate, channels=1):
    frames = rate // 10 + rate // 100 * len(text)
    data = bytearray()
    for i in range(frames):
        v = int(8000 * math.sin(2 * math.pi * 440 * i / rate))
        data += struct.pack("<h", v) * channels
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(data))
