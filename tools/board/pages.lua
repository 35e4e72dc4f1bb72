-- wrk: the board's first page, and a summary line beside wrk's own.
wrk.path = "/api/board?limit=20"

function done(summary, latency, requests)
  local seconds = summary.duration / 1e6
  io.write(string.format("pages: %d (%.0f/s), errors: %d, p50 %.2f ms, p99 %.2f ms\n",
    summary.requests, summary.requests / seconds,
    summary.errors.status + summary.errors.connect + summary.errors.read + summary.errors.timeout,
    latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
