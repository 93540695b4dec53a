#!/bin/bash
# Starts ffmpeg as a live MPEG-TS server over HTTP for RecordFfmpegTest, inside the BOX
# namespace of the test LAN. ffmpeg answers "GET /0.ts" with a chunked body, serves one
# client and then exits, so start it again before every run of that test.
#
# usage: tests/record_ffmpeg_server.sh BOX_NAMESPACE [ADDRESS [PORT [LOG]]]
#        (defaults 10.86.1.19 8080 /dev/null)
# Prints ffmpeg's pid and returns once it listens; exit 1 when it does not.
# The test reads the address from ORVANE_FFMPEG_TS (default 10.86.1.19:8080).
set -u
ns=${1:?usage: $0 BOX_NAMESPACE [ADDRESS [PORT [LOG]]]}
address=${2:-10.86.1.19}
port=${3:-8080}
log=${4:-/dev/null}

# 8 Mbit/s of multiplex (null packets fill up to it), so a 512 KiB block arrives about twice
# a second; -t ends the stream after two minutes should no client ever come.
ip netns exec "$ns" ffmpeg -nostdin -hide_banner -loglevel error -re \
    -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 120 \
    -c:v mpeg2video -b:v 4M -c:a mp2 -f mpegts -muxrate 8M \
    -listen 1 "http://$address:$port/0.ts" </dev/null >"$log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    if ip netns exec "$ns" ss -Hltn "sport = :$port" | grep -q .; then
        echo "$pid"
        exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
echo "ffmpeg did not listen on $address:$port (see $log)" >&2
kill "$pid" 2>/dev/null
exit 1
