-- One request per connection, as the Jaserelle client does: wrk keeps connections alive unless
-- told otherwise, and reconnects when the answer says "Connection: close".
-- The path comes from the environment so that one script serves both servers.
wrk.method = "GET"
wrk.path = os.getenv("BENCH_PATH") or "/"
wrk.headers["Connection"] = "close"
wrk.headers["Accept"] = "*/*"
