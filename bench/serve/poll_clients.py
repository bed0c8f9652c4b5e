# 20 clients polling the page's endpoints every half second, as the page does, for a while.
import sys, threading, time, urllib.request
port, seconds = int(sys.argv[1]), float(sys.argv[2])
paths = ["/api/targets", "/api/hits?limit=50", "/api/targets/1/series", "/api/numbers?limit=100&class=AAA", "/metrics"]
done = [0]; errors = [0]
def client():
    end = time.time() + seconds
    while time.time() < end:
        for p in paths:
            try:
                urllib.request.urlopen(f"http://127.0.0.1:{port}{p}", timeout=10).read(); done[0] += 1
            except Exception:
                errors[0] += 1
        time.sleep(0.5)
threads = [threading.Thread(target=client) for _ in range(20)]
[t.start() for t in threads]; [t.join() for t in threads]
print(f"requests {done[0]} errors {errors[0]}")
