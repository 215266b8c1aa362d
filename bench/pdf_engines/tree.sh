# runs a command, samples the RSS of it and its descendants, prints peak total RSS and total CPU
"$@" > /dev/null 2>&1 &
pid=$!; peak=0; cpu=0
while kill -0 $pid 2>/dev/null; do
  pids=$(ps -o pid= --ppid $pid; echo $pid); all="$pids"; for p in $pids; do all="$all $(ps -o pid= --ppid $p)"; done
  rss=$(ps -o rss= -p $(echo $all | tr ' ' ,) 2>/dev/null | awk '{s+=$1} END{print s+0}')
  c=$(for p in $all; do awk '{print $14+$15}' /proc/$p/stat 2>/dev/null; done | awk '{s+=$1} END{print s+0}')
  [ "$rss" -gt "$peak" ] && peak=$rss; [ "$c" -gt "$cpu" ] && cpu=$c
  sleep 0.2
done
echo "peak tree rss ${peak} KB, cpu ticks (last sample) ${cpu}"
