# The table and the targets of bench/run-benchmarks, on the console and as Markdown.
#
#   awk -F'\t' -v md=FILE -v date=... -v machine=... -v compiler=... -v gas=... -v runs=...
#       -v startup_lines=N -v kiv_state=measured|"skip: why"|"fail: why"
#       -f bench/benchmark-report.awk results.tsv side-by-side.tsv
#
# results.tsv: profile, instructions, source bytes, program, best ns, median ns, peak KiB,
# limit KiB (one row per program, profile and size). side-by-side.tsv: measurement (startup or
# kiv), program, best ns, median ns, peak KiB. Targets are reported, never enforced.

FNR == 1 { next }

FILENAME == ARGV[1] {
  key = $1 SUBSEP $2
  if (!(key in seen)) { seen[key] = 1; order[++rows] = key; prof[key] = $1; size[key] = $2; src[key] = $3 }
  best[key, $4] = $5; median[key, $4] = $6; rss[key, $4] = $7; limit[key, $4] = $8
  if (!($1 in pseen)) { pseen[$1] = 1; plist[++np] = $1 }
  next
}

{ side_best[$1, $2] = $3; side_median[$1, $2] = $4 }

function h(n) { return n >= 1e6 ? sprintf("%gM", n / 1e6) : sprintf("%gk", n / 1e3) }
function line(s) { print s; print s > md }
function verdict(ok) { return ok ? "PASS" : "FAIL" }
function has(k, p) { return ((k, p) in best) && best[k, p] > 0 }

# The chain's rows are sums of the two programs' runs; so are the pinned ones.
function add_chains(k) {
  best[k, "chain"] = best[k, "assembly"] + best[k, "assembler"]
  median[k, "chain"] = median[k, "assembly"] + median[k, "assembler"]
  if (has(k, "assembly-1cpu")) {
    best[k, "chain-1cpu"] = best[k, "assembly-1cpu"] + best[k, "assembler-1cpu"]
    median[k, "chain-1cpu"] = median[k, "assembly-1cpu"] + median[k, "assembler-1cpu"]
  }
}

function note(k, p) {
  if (p == "gnu-as") return sprintf("chain/GNU as = %.3f", best[k, "chain"] / best[k, p])
  if (p == "floor") return sprintf("chain/floor = %.2f", best[k, "chain"] / best[k, p])
  if (p == "chain-1cpu") return sprintf("%.2f x chain", best[k, p] / best[k, "chain"])
  return ""
}

function table(   r, k, n, q, p, first, label, mdlabel, peak, lim, extra, nprog, progs) {
  printf "\n%-15s %6s %8s  %-14s %10s %10s %9s %8s %9s %9s\n", "profile", "instr", "src MB",
    "program", "best ms", "median ms", "ns/instr", "MB/s", "peak MiB", "limit MiB"
  print "| profile | instructions | source MB | program | best ms | median ms | ns/instr | MB/s | peak MiB | limit MiB |" > md
  print "|---|--:|--:|---|--:|--:|--:|--:|--:|--:|" > md
  nprog = split("assembly assembler chain assembly-1cpu assembler-1cpu chain-1cpu floor gnu-as", progs, " ")
  for (r = 1; r <= rows; r++) {
    k = order[r]; n = size[k]; first = 1
    add_chains(k)
    for (q = 1; q <= nprog; q++) {
      p = progs[q]
      if (!has(k, p)) continue
      label = first ? sprintf("%-15s %6s %8.2f", prof[k], h(n), src[k] / 1e6) : sprintf("%-15s %6s %8s", "", "", "")
      mdlabel = first ? sprintf("| %s | %s | %.2f", prof[k], h(n), src[k] / 1e6) : "| | |"
      first = 0
      peak = (p ~ /^chain/) ? "" : sprintf("%.1f", rss[k, p] / 1024)
      lim = (p ~ /^chain/ || p == "gnu-as" || p == "floor") ? "" : sprintf("%.1f", limit[k, p] / 1024)
      extra = note(k, p)
      printf "%s  %-14s %10.2f %10.2f %9.1f %8.1f %9s %9s%s\n", label, p, best[k, p] / 1e6,
        median[k, p] / 1e6, best[k, p] / n, src[k] / (best[k, p] / 1e9) / 1e6, peak, lim,
        extra == "" ? "" : "  " extra
      printf "%s | %s | %.2f | %.2f | %.1f | %.1f | %s | %s |\n", mdlabel,
        extra == "" ? p : p " (" extra ")", best[k, p] / 1e6, median[k, p] / 1e6, best[k, p] / n,
        src[k] / (best[k, p] / 1e9) / 1e6, peak, lim > md
    }
  }
}

# The side-by-side measurements, in the Markdown file only (the console showed them as they ran).
function side_table(measurement, title,   q, p, progs, n) {
  n = split("open_write_close assembly assembler kiv-check kiv-list", progs, " ")
  if (!((measurement, "assembly") in side_best)) return
  print "" > md
  print title > md
  print "" > md
  print "| program | best ms | median ms |" > md
  print "|---|--:|--:|" > md
  for (q = 1; q <= n; q++) {
    p = progs[q]
    if ((measurement, p) in side_best)
      printf "| %s | %.3f | %.3f |\n", p, side_best[measurement, p] / 1e6, side_median[measurement, p] / 1e6 > md
  }
}

# The whole chain against GNU as on the 1M sources.
function gnu_targets(   k) {
  k = "typical" SUBSEP 1000000
  if (has(k, "gnu-as")) line(sprintf("- %s  chain / GNU as on 1M typical = %.3f (target <= 0.10)",
    verdict(best[k, "chain"] / best[k, "gnu-as"] <= 0.10), best[k, "chain"] / best[k, "gnu-as"]))
  else line("- SKIP  chain / GNU as on 1M typical: not measured (needs the typical profile, --max 1M and GNU as)")
  k = "lean" SUBSEP 1000000
  if (has(k, "gnu-as")) line(sprintf("- %s  chain / GNU as on 1M lean = %.3f (target <= 0.15)",
    verdict(best[k, "chain"] / best[k, "gnu-as"] <= 0.15), best[k, "chain"] / best[k, "gnu-as"]))
  else line("- SKIP  chain / GNU as on 1M lean: not measured (needs the lean profile, --max 1M and GNU as)")
}

# The chain against the floor at 1M and 10M, every profile.
function floor_targets(   r, k, ratio, count) {
  count = 0
  for (r = 1; r <= rows; r++) {
    k = order[r]
    if ((size[k] != 1000000 && size[k] != 10000000) || !has(k, "floor")) continue
    ratio = best[k, "chain"] / best[k, "floor"]
    line(sprintf("- %s  chain / floor on %s %s = %.2f (aim <= 2)", verdict(ratio <= 2), h(size[k]),
      prof[k], ratio))
    count++
  }
  if (count == 0) line("- SKIP  chain / floor at 1M and 10M: not measured (needs --max 1M)")
}

# Time per instruction from 100k to every larger size, every profile and program.
function scaling_targets(   i, pr, base, q, p, worst, at, r, k, g, progs) {
  split("assembly assembler chain", progs, " ")
  for (i = 1; i <= np; i++) {
    pr = plist[i]; base = pr SUBSEP 100000
    for (q = 1; q <= 3; q++) {
      p = progs[q]; worst = 0; at = 0
      for (r = 1; r <= rows; r++) {
        k = order[r]
        if (prof[k] != pr || size[k] <= 100000 || !has(base, p)) continue
        g = (best[k, p] / size[k]) / (best[base, p] / 100000)
        if (g > worst) { worst = g; at = size[k] }
      }
      if (at == 0) { line(sprintf("- SKIP  %s %s: needs 100k and a larger size", pr, p)); continue }
      line(sprintf("- %s  %s %s: ns/instr at %s is %.2fx that at 100k (worst; target <= 1.5)",
        verdict(worst <= 1.5), pr, p, h(at), worst))
    }
  }
}

# Peak memory within 4 x the largest input or output file + 16 MiB.
function memory_target(   r, k, q, p, bad, count, progs) {
  split("assembly assembler", progs, " ")
  for (r = 1; r <= rows; r++) {
    k = order[r]
    for (q = 1; q <= 2; q++) {
      p = progs[q]
      if (!((k, p) in rss)) continue
      count++
      if (rss[k, p] > limit[k, p])
        bad = bad sprintf("\n    %s %s %s: %.1f MiB > %.1f MiB", prof[k], h(size[k]), p,
                            rss[k, p] / 1024, limit[k, p] / 1024)
    }
  }
  line(sprintf("- %s  peak memory <= 4 x largest file + 16 MiB (%d runs checked)%s",
    verdict(bad == ""), count, bad))
}

# Each program on the small source against the minimal program, same run.
function startup_targets(   q, p, ratio, progs) {
  if (!(("startup", "open_write_close") in side_best)) {
    line("- SKIP  start-up: not measured")
    return
  }
  split("assembly assembler", progs, " ")
  for (q = 1; q <= 2; q++) {
    p = progs[q]
    ratio = side_median["startup", p] / side_median["startup", "open_write_close"]
    line(sprintf("- %s  start-up on a %d-line source: %s / open_write_close = %.2f (median %.3f / %.3f ms; best %.2f) (target <= 1.3)",
      verdict(ratio <= 1.3), startup_lines, p, ratio, side_median["startup", p] / 1e6,
      side_median["startup", "open_write_close"] / 1e6,
      side_best["startup", p] / side_best["startup", "open_write_close"]))
  }
}

# kiv check and kiv list against the two programs, timed together on the 1M typical source.
function kiv_targets(   chain, check, list) {
  if (kiv_state != "measured") {
    line(sprintf("- %s  kiv check and kiv list on 1M typical: %s", kiv_state ~ /^fail/ ? "FAIL" : "SKIP",
      substr(kiv_state, index(kiv_state, ": ") + 2)))
    return
  }
  chain = side_best["kiv", "assembly"] + side_best["kiv", "assembler"]
  check = side_best["kiv", "kiv-check"]
  list = side_best["kiv", "kiv-list"]
  line(sprintf("- %s  kiv check / (assembly + assembler) on 1M typical = %.2f (%.1f / %.1f ms; target <= 1.5)",
    verdict(check / chain <= 1.5), check / chain, check / 1e6, chain / 1e6))
  line(sprintf("- %s  kiv list / (assembly + assembler) on 1M typical = %.2f (%.1f / %.1f ms; target <= 3)",
    verdict(list / chain <= 3), list / chain, list / 1e6, chain / 1e6))
  line(sprintf("- %s  kiv check / assembly on 1M typical = %.2f (%.1f / %.1f ms; later target <= 1)",
    verdict(check <= side_best["kiv", "assembly"]), check / side_best["kiv", "assembly"],
    check / 1e6, side_best["kiv", "assembly"] / 1e6))
}

# For information: the chain pinned to one CPU against the chain free to use both.
function single_core_info(   r, k) {
  for (r = 1; r <= rows; r++) {
    k = order[r]
    if (!has(k, "chain-1cpu")) continue
    line(sprintf("- info  %s %s: chain on CPU 0 only / chain = %.2f (assembly %.2f, assembler %.2f)",
      prof[k], h(size[k]), best[k, "chain-1cpu"] / best[k, "chain"],
      best[k, "assembly-1cpu"] / best[k, "assembly"], best[k, "assembler-1cpu"] / best[k, "assembler"]))
  }
}

END {
  print "Measured " date "; " machine "; " compiler "; " gas "; " runs "." > md
  print "" > md
  table()
  side_table("startup", "Start-up, " startup_lines "-line source:")
  side_table("kiv", "kiv beside the two programs, 1M typical source:")
  print "\nTargets:"
  print "" > md
  print "Targets:" > md
  print "" > md
  gnu_targets()
  floor_targets()
  scaling_targets()
  memory_target()
  startup_targets()
  kiv_targets()
  single_core_info()
}
