#!/usr/bin/env bash
# cli_fetch_test.sh QUILLFEN_CLI
# quillfen-cli fetch against servers nobody here wrote: python's http.server for
# pages, 404 and redirects, and raw sockets for the request bytes and a
# server that never answers. Everything stays on 127.0.0.1.
set -u
cli=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/site/dir"
printf 'line one\nline two \x01\x02 end\n' > "$work/site/page.txt"
head -c 300000 /dev/urandom | base64 > "$work/site/big.txt"
printf 'inside\n' > "$work/site/dir/index.html"

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" > "$work/server.log" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "http.server did not start"
base="http://127.0.0.1:$port"

# Body bytes exactly as served (these pages carry no charset declaration).
for f in page.txt big.txt; do
  "$cli" fetch "$base/$f" --raw > "$work/got" 2> "$work/err" || fail "fetch $f exit status"
  cmp -s "$work/got" "$work/site/$f" || fail "body of $f differs"
  [ "$(tail -1 "$work/err")" = "200 OK" ] || fail "status of $f: $(cat "$work/err")"
done

# Headers as the server sent them: the same lines curl sees, Date aside.
"$cli" fetch "$base/page.txt" -i > "$work/ours" 2>/dev/null
curl -si "$base/page.txt" > "$work/theirs"
grep -v '^Date:' "$work/ours" > "$work/ours.h"
grep -v '^Date:' "$work/theirs" > "$work/theirs.h"
cmp -s "$work/ours.h" "$work/theirs.h" || fail "headers differ: $(diff "$work/ours.h" "$work/theirs.h")"

# 404 is a page, not a failure.
"$cli" fetch "$base/missing" > "$work/got" 2> "$work/err"
[ $? -eq 0 ] || fail "404 exit status"
[ "$(tail -1 "$work/err")" = "404 File not found" ] || fail "404 status: $(cat "$work/err")"
grep -q "Error code: 404" "$work/got" || fail "404 page body"

# The directory redirect: followed, and not followed with --no-redirects.
"$cli" fetch "$base/dir" > "$work/got" 2> "$work/err"
[ "$(cat "$work/got")" = "inside" ] || fail "redirect not followed: $(cat "$work/got")"
"$cli" fetch "$base/dir" --no-redirects --json > "$work/json" 2> "$work/err"
python3 - "$work/json" <<'PY' || fail "--no-redirects json: $(cat "$work/json")"
import json, sys
out = json.load(open(sys.argv[1]))
assert out["status"] == "301 Moved Permanently", out["status"]
assert out["location"] == "/dir/", out["location"]
assert out["headers"].startswith("HTTP/1.0 301 Moved Permanently\r\n"), out["headers"]
PY

# The request bytes: exactly the default block.
cat > "$work/capture.py" <<'PY'
import socket, sys
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(4)
print(s.getsockname()[1], flush=True)
silent = sys.argv[2] == "silent"
while True:
    c, _ = s.accept()
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = c.recv(65536)
        if not chunk:
            break
        data += chunk
    open(sys.argv[1], "ab").write(data)
    if silent:
        continue  # keep the connection open and never answer
    c.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
    c.close()
PY
python3 -u "$work/capture.py" "$work/request" echo > "$work/cap.port" &
pids+=($!)
python3 -u "$work/capture.py" "$work/silent" silent > "$work/silent.port" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/cap.port" ] && [ -s "$work/silent.port" ] && break; sleep 0.1; done
cport=$(cat "$work/cap.port")
sport=$(cat "$work/silent.port")
"$cli" fetch "http://127.0.0.1:$cport/q?a=1" > /dev/null 2>&1 || fail "capture fetch"
printf 'GET /q?a=1 HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\nAccept: text/html, application/xhtml+xml, */*\r\nAccept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache\r\n\r\n' "$cport" > "$work/want"
cmp -s "$work/request" "$work/want" || fail "request bytes: $(od -c "$work/request" | head -20)"

# A server that never answers: the time-out's message and exit status 1.
"$cli" fetch "http://127.0.0.1:$sport/" --timeout 1 > "$work/got" 2> "$work/err"
[ $? -eq 1 ] || fail "time-out exit status"
[ "$(tail -1 "$work/err")" = "712 服务器未响应!" ] || fail "time-out status: $(cat "$work/err")"
[ -s "$work/got" ] && fail "time-out printed a body"

# Usage errors.
"$cli" fetch "$base/" --resolve bogus > /dev/null 2>&1
[ $? -eq 2 ] || fail "bad --resolve is not a usage error"
"$cli" fetch "$base/" -X FETCH > /dev/null 2>&1
[ $? -eq 2 ] || fail "bad -X is not a usage error"
"$cli" fetch "http://site.example:$port/page.txt" --resolve "site.example:$port:127.0.0.1" --raw > "$work/got" 2>/dev/null
cmp -s "$work/got" "$work/site/page.txt" || fail "--resolve"
echo "cli fetch: all checks passed"
