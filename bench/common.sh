# What the benchmark scripts share; sourced, not run.
#   start_nginx WORK   serves WORK/www from nginx on a free loopback port (its files and logs
#                      in WORK/nginx); sets `port` and `nginx_pid`; fails after 10 s without
#                      an answer. The caller stops it (kill "$nginx_pid").
#   median FILE N      the median of column N of FILE
#   peak FILE          the largest value of column 2 of FILE, KiB shown in MiB

start_nginx() {
  local work=$1
  mkdir -p "$work/nginx"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  sendfile on;
  tcp_nopush on;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
  nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
  nginx_pid=$!
  local _
  for _ in $(seq 100); do
    if curl -s -o /dev/null "http://127.0.0.1:$port/"; then return 0; fi
    sleep 0.1
  done
  echo "nginx did not answer on port $port within 10 s" >&2
  exit 1
}

median() {
  sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

peak() {
  sort -n -k2 "$1" | tail -1 | awk '{ printf "%.1f", $2 / 1024 }'
}
