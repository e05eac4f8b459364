#!/usr/bin/env bash
# Makes the short audio fixtures of the player tests. Needs python3 and ffmpeg.
#
# The square waves never touch zero, so every frame they put out can be told from silence and
# counted exactly, and their magnitudes (1000, 2000, 3000) tell the files apart in a recording.
set -euo pipefail
cd "$(dirname "$0")"

square() { # name magnitude frames
    python3 - "$1" "$2" "$3" <<'PY'
import struct, sys, wave
name, magnitude, frames = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with wave.open(name, "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(44100)
    data = bytearray()
    for i in range(frames):
        v = magnitude if (i // 50) % 2 == 0 else -magnitude
        data += struct.pack("<hh", v, v)
    w.writeframes(bytes(data))
PY
}

square square_a.wav 1000 4410   # 0.10 s
square square_b.wav 2000 6615   # 0.15 s
square square_long.wav 3000 88200 # 2.00 s
cp square_a.wav "上课铃声.wav"

tone() { ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$1" -ac 2 "${@:2}"; }
tone 0.5 -c:a libmp3lame -b:a 128k tone.mp3
tone 0.5 -c:a wmav2 -b:a 128k tone.wma
tone 0.5 -c:a libvorbis tone.ogg
tone 0.5 -c:a flac tone.flac
tone 0.5 -c:a aac -b:a 128k tone.m4a
tone 5 -c:a libmp3lame -b:a 128k bench_5s.mp3

: > empty.mp3
python3 -c "import random; r=random.Random(7); open('corrupt.mp3','wb').write(bytes(r.randrange(256) for _ in range(8192)))"
# A real MP3 whose body after the first kilobyte is overwritten with noise.
python3 - <<'PY'
import random
data = bytearray(open("tone.mp3", "rb").read())
r = random.Random(11)
for i in range(1024, len(data)):
    data[i] = r.randrange(256)
open("damaged.mp3", "wb").write(bytes(data))
PY
