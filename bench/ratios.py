#!/usr/bin/env python3
"""Every goal of the benchmarks as a ratio to its floor, measured in one run.

Run the suites with repetitions interleaved and JSON output, for example

  corvimet_bench --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \\
      --benchmark_out=core.json --benchmark_out_format=json
  corvimet_gui_bench --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \\
      --benchmark_out=gui.json --benchmark_out_format=json
  corvimet_idle_bench --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \\
      --benchmark_out=idle.json --benchmark_out_format=json
  bench/ratios.py [--min] core.json gui.json idle.json

Each time is the median over the repetitions of the CPU time (the manual time
of the numpy helper, which is its thread's CPU time; the wall time or the
counter named in a row where the row says so); with --min, the least
disturbed repetition of every benchmark, floors and all, which on a busy
machine tells more. Every row is shown against both floors measured over its
own array in its own file, beside it: the old one (one chain of additions)
and the fastest (four independent sums). A goal set against the old floor is
also restated against the fastest, with the two floors' ratio of the same run.
"""
import json
import statistics
import sys


def floors(suite):
    return "BM_%sFloorPlainSum" % suite, "BM_%sFloorFastestSum" % suite


BASELINE = floors("Baseline")
BLOCK = floors("BlockPasses")
COMPACTION = floors("Compaction")
EDITING = floors("Editing")
BESTLAG = floors("BestLag")
EVENTS = floors("Events")
NOISY = floors("NoisyEvents")
LINEFIT = floors("LineFit")
RESP = floors("Respirometry")
STATS = floors("Stats")
TREG = floors("Treg")
TRANSFORM = floors("Transform")
WAVE = ("BM_WaveformFloorPlainSum/7000000", "BM_WaveformFloorFastestSum/7000000")
PLOT = ("BM_PlotFloorMinMax", "BM_PlotFloorFastestSum")
GUI = ("BM_PlainMinMaxPassInGui", "BM_FloorFourLanesInGui")


def fit(pair):
    return ("BM_FitFloorPlainSumXY/pair:%d" % pair, "BM_FitFloorFastestXY/pair:%d" % pair)


def wave(n):
    return ("BM_WaveformFloorPlainSum/%d" % n, "BM_WaveformFloorFastestSum/%d" % n)


# (benchmark, measure, floors (old, fastest), passes, goal, goal's floor)
# measure: "cpu", "real" (manual or wall time) or a counter in ms. The floor
# of a row is `passes` times the named floor. Goal's floor: "old", "fast",
# or another benchmark's name (a ratio to it), or "ms" (an absolute bound).
ROWS = [
    ("BM_BaselineRegression", "cpu", BASELINE, 1, 3, "old"),
    ("BM_BaselineSubtract", "cpu", BASELINE, 1, 2, "old"),
    ("BM_BaselinePiecewise", "cpu", BASELINE, 1, 2, "old"),
    ("BM_IntegrateProportional", "cpu", BLOCK, 1, None, None),
    ("BM_IntegrateWithSelection", "cpu", BLOCK, 1, None, None),
    ("BM_RunningIntegral", "cpu", BLOCK, 1, None, None),
    ("BM_HistogramSmall", "cpu", BLOCK, 1, None, None),
    ("BM_CrossChannelIndexTwoChannels", "cpu", BLOCK, 1, None, None),
    ("BM_CompactSeries/2", "cpu", COMPACTION, 2, 2, "old"),
    ("BM_CompactSeries/60", "cpu", COMPACTION, 2, 1.5, "old"),
    ("BM_CutFromAllChannels", "ms_per_channel", EDITING, 1, 1.5, "old"),
    ("BM_CropToBlock", "ms_per_channel", EDITING, 1, 1.5, "old"),
    ("BM_TimeScaleChange/0", "ms_per_channel", EDITING, 1, 3, "old"),
    ("BM_TimeScaleChange/1", "ms_per_channel", EDITING, 1, 3, "fast"),
    ("BM_SmoothingCycle/1", "cpu", EDITING, 1, 3, "old"),
    ("BM_SmoothingCycle/10", "cpu", EDITING, 1, 3.3, "old"),
] + [("BM_EditKernel/kernel:%d" % k, "cpu", EDITING, 1, 2, "old") for k in range(7)] + [
    ("BM_ReferenceFixWithMarkers", "cpu", EDITING, 1, 10, "BM_ReferenceFixFlagsRebuild"),
    ("BM_ReferenceFixFlagsRebuild", "cpu", EDITING, 1, None, None),
    ("BM_BestLagFortyLags", "cpu", BESTLAG, 40, 1.5, "old"),
    # Their own goal: 3 x one plain pass, the single chain of its day.
    ("BM_TimeWithinLimits", "cpu", EVENTS, 1, 3, "old"),
    # Counted on threads: the wall time against the goal, the CPU time of
    # all threads beside it.
    ("BM_EventCounting/process_time/real_time", "real", EVENTS, 1, 3, "fast"),
    ("BM_EventCounting/process_time/real_time", "cpu", EVENTS, 1, None, None),
    ("BM_EventCountingNoisy/process_time/real_time", "real", NOISY, 1, 3, "fast"),
    ("BM_EventCountingNoisy/process_time/real_time", "cpu", NOISY, 1, None, None),
    ("BM_NormalMethodScan", "cpu", EVENTS, 1, 3, "old"),
    ("BM_Polynomial/degree:2", "cpu", fit(0), 1, 4, "fast"),
    ("BM_Polynomial/degree:5", "cpu", fit(0), 1, 7, "fast"),
    ("BM_PolynomialUserData/pair:1/degree:2", "cpu", fit(1), 1, 4, "fast"),
    ("BM_PolynomialUserData/pair:1/degree:5", "cpu", fit(1), 1, 7, "fast"),
    ("BM_PolynomialUserData/pair:2/degree:5", "cpu", fit(2), 1, 7, "fast"),
    ("BM_PolynomialByPasses/degree:2", "cpu", fit(0), 1, None, None),
    ("BM_PolynomialByPasses/degree:5", "cpu", fit(0), 1, None, None),
    ("BM_AsymptoteTrial", "cpu", ("BM_FitFloorPlainSum/7000000", "BM_FitFloorFastestSum/7000000"), 1, 4, "old"),
    ("BM_PeriodicityK1000", "cpu", ("BM_FitFloorPlainSum/1000000", "BM_FitFloorFastestSum/1000000"), 1000, 2, "old"),
    ("BM_SlopeOverTime", "cpu", LINEFIT, 1, 3, "old"),
    ("BM_TwoChannelFit", "cpu", LINEFIT, 1, 3, "old"),
    ("BM_CompressedRedrawWithLod", "cpu", PLOT, 1, 0.5, "old"),
    ("BM_VO2Mode1ConstantRQConstantFlow", "cpu", RESP, 1, 3, "old"),
    ("BM_VO2FlowChannelInstantaneous", "cpu", RESP, 1, None, None),
    ("BM_AnalyzerHumidityTemperatureChannel", "cpu", RESP, 1, 4, "old"),
    ("BM_WaterVO2ClosedSystemRate", "cpu", RESP, 1, 2, "old"),
    ("BM_DescriptiveNoExclusions", "cpu", STATS, 1, 1.1, "old"),
    ("BM_DescriptiveBothFilters", "cpu", STATS, 1, None, None),
    ("BM_TregEngine7M", "cpu", TREG, 1, 10, "old"),
    # Searched on two threads: the wall time against the goal, the CPU time
    # of both threads beside it.
    ("BM_TregWindowMaxima7M/process_time/real_time", "real", TREG, 1, 3, "old"),
    ("BM_TregWindowMaxima7M/process_time/real_time", "cpu", TREG, 1, None, None),
    ("BM_ConversionTimesFactor", "cpu", TRANSFORM, 1, 2, "old"),
    ("BM_VapourPressure", "cpu", TRANSFORM, 1, 4, "old"),
    ("BM_ExpressionFahrenheit", "cpu", TRANSFORM, 1, 3, "fast"),
    ("BM_MagnitudeSpectrum/1048576", "cpu", wave(1 << 20), 1, 1.5, "BM_NumpyRfftMagnitude/manual_time"),
    ("BM_MagnitudeSpectrum/262144", "cpu", wave(1 << 18), 1, 2.5, "BM_MagnitudeSpectrum/131072"),
    ("BM_SteppedEveryBlock/0", "cpu", WAVE, 1, 3, "old"),
    ("BM_SteppedEveryBlock/1", "cpu", WAVE, 1, 3, "old"),
    ("BM_ImportText/process_time/real_time", "real", (None, None), 1, 2, "BM_PlainReadText/process_time/real_time"),
    ("BM_ImportText/process_time/real_time", "cpu", (None, None), 1, 2.5, "BM_PlainReadText/process_time/real_time"),
    ("BM_ImportLoggerText/process_time/real_time", "real", (None, None), 1, 2,
     "BM_PlainReadLoggerText/process_time/real_time"),
    ("BM_ImportLoggerText/process_time/real_time", "cpu", (None, None), 1, 2.5,
     "BM_PlainReadLoggerText/process_time/real_time"),
    ("BM_LoadNative/32/real_time", "real", (None, None), 1, None, "BM_PlainReadNative/32/real_time"),
    # The GUI suite: its own floors, run in the same Qt process.
    ("BM_DrawPlotCompressed", "cpu", GUI, 1, 0.25, "old"),
] + [("BM_StackedRedraw32Channels/view:%d/process_time/real_time" % v, "real", GUI, 1, 16, "ms") for v in range(4)] + [
    # The idle suite: the pass with sixteen files of markers against the
    # pass with one ordinary file.
    ("BM_IdleMainLoopPass/files:16/markers:32000", "cpu", (None, None), 1, 5, "BM_IdleMainLoopPass/files:1/markers:20"),
]


def load(paths):
    runs, context = {}, {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context.setdefault("load_avg", data.get("context", {}).get("load_avg"))
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate" or b.get("error_occurred"):
                continue
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
            r = runs.setdefault(b["run_name"], {"cpu": [], "real": [], "counters": {}})
            r["cpu"].append(b["cpu_time"] * scale)
            r["real"].append(b["real_time"] * scale)
            for k, v in b.items():
                if k.endswith("_per_channel"):
                    r["counters"].setdefault(k, []).append(v)
    return runs, context


PICK = statistics.median


def median(runs, name, measure):
    r = runs.get(name)
    if not r:
        return None
    values = r["counters"].get(measure) if measure not in ("cpu", "real") else r[measure]
    return PICK(values) if values else None


def main():
    global PICK
    args = sys.argv[1:]
    if args and args[0] == "--min":
        PICK = min
        args = args[1:]
    if not args:
        sys.exit(__doc__)
    runs, context = load(args)
    print("load average at the start of the run:", context.get("load_avg"))
    print("%-58s %10s %9s %9s  %s" % ("benchmark", "ms", "x old", "x fastest", "goal"))
    for name, measure, (old, fast), passes, goal, against in ROWS:
        t = median(runs, name, measure)
        if t is None:
            continue
        o = median(runs, old, "cpu") if old else None
        f = median(runs, fast, "cpu") if fast else None
        xo = t / (passes * o) if o else None
        xf = t / (passes * f) if f else None
        text = ""
        if goal is not None:
            if against == "old":
                got, unit = xo, "x old"
            elif against == "fast":
                got, unit = xf, "x fastest"
            elif against == "ms":
                got, unit = t, "ms"
            else:
                ref = median(runs, against, "real" if against.endswith("manual_time") else measure)
                got, unit = (t / ref if ref else None), "x " + against.split("/")[0]
            if got is not None:
                text = "%s %.2f %s (goal <= %g%s)" % ("ok  " if got <= goal else "MISS", got, unit, goal,
                                                    " = %.2f x fastest" % (goal * o / f) if against == "old" and o
                                                    and f else "")
        label = name if measure == "cpu" else name + " [" + measure + "]"
        print("%-58s %10.3f %9s %9s  %s" % (label, t, "%.2f" % xo if xo else "-", "%.2f" % xf if xf else "-", text))

if __name__ == "__main__":
    main()
