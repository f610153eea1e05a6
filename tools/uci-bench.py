#!/usr/bin/env python3
"""Runs any UCI engine over a file of FENs at a fixed depth (16 MB hash, a
new game before each position) and prints the summed nodes, time and nodes
per second, so that Quillon can be measured beside other engines in one run:

  tools/uci-bench.py build/release/quillon 8 tools/data/bench.fen
  tools/uci-bench.py /usr/games/toga2 8 tools/data/bench.fen
"""
import importlib.util
import os
import sys

# The session itself is peer-speed.py's: one way to drive an engine.
_spec = importlib.util.spec_from_file_location("peer_speed", os.path.join(os.path.dirname(__file__), "peer-speed.py"))
peer_speed = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(peer_speed)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    engine, depth, fen_file = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    fens = [line.strip() for line in open(fen_file) if line.strip()]
    total_nodes, total_time, _ = peer_speed.run_engine(engine, fens, depth, 16)
    print(f"{engine} depth {depth}: positions {len(fens)} nodes {total_nodes} time {total_time:.2f} s "
          f"nps {int(total_nodes / max(total_time, 1e-9))}")


if __name__ == "__main__":
    main()
