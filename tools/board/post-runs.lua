-- wrk: POST /api/runs with a different winning run each time, from the file in CODES, one code a
-- line; each thread takes every Nth line so that no run is sent twice.
local threads = {}
local counter = 0

function setup(thread)
  thread:set("first", counter)
  counter = counter + 1
  table.insert(threads, thread)
end

function init(args)
  codes = {}
  for line in io.lines(os.getenv("CODES")) do codes[#codes + 1] = line end
  at = first
  created, other = 0, 0
  wrk.method = "POST"
  wrk.headers["Content-Type"] = "application/json"
end

function request()
  local n = at
  at = at + tonumber(os.getenv("THREADS"))
  local code = codes[(n % #codes) + 1]
  local body = '{"code":"' .. code .. '","name":"b' .. n .. '","key":"benchmark-key-0123456789"}'
  return wrk.format(nil, "/api/runs", nil, body)
end

function response(status, headers, body)
  if status == 201 then created = created + 1 else other = other + 1 end
end

function done(summary, latency, requests)
  local made, refused = 0, 0
  for _, thread in ipairs(threads) do
    made = made + thread:get("created")
    refused = refused + thread:get("other")
  end
  local seconds = summary.duration / 1e6
  io.write(string.format("new runs kept: %d (%.0f/s), other answers: %d, p50 %.2f ms, p99 %.2f ms\n",
    made, made / seconds, refused, latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
