# Plots of scripts/bench.sh: the latency distribution (cumulative) and the
# reports Tarvex handled in each second, both architectures.
#   gnuplot -e "dir='build/bench'; docs='docs'" bench/wine_figures.gp
set terminal pngcairo size 900,500 noenhanced
set grid
set key bottom right

set output docs.'/bench-latency.png'
set title 'Latency: report handed to the device -> Tarvex handler line (cumulative)'
set xlabel 'ms'
set ylabel 'share of reports'
set logscale x
plot dir.'/latency-mingw-x86_64.dat' using 1:2 with lines lw 2 title '64-bit', \
     dir.'/latency-mingw-i686.dat' using 1:2 with lines lw 2 title '32-bit'

unset logscale x
set output docs.'/bench-throughput.png'
set title 'Wheel reports handled by Tarvex per second'
set xlabel 's since the first report'
set ylabel 'reports/s'
set yrange [0:*]
plot dir.'/rate-mingw-x86_64.dat' using 1:2 with steps lw 2 title '64-bit', \
     dir.'/rate-mingw-i686.dat' using 1:2 with steps lw 2 title '32-bit'
