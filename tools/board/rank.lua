-- wrk: a player's place among a million (GET /api/board/around), a different player each time
-- so that no answer comes from the pages' cache.
local n = 0

function request()
  n = n + 7919
  return wrk.format(nil, "/api/board/around?name=seed" .. (n % 1000000 + 1))
end

function done(summary, latency, requests)
  io.write(string.format("rank lookups: %d, p50 %.2f ms, p99 %.2f ms\n", summary.requests,
    latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
