/* The least a process that prints one line costs: the floor beside which
   process_bench times the tool's positions command. */
#include <stdio.h>

int main(void) {
    puts("Sun 280.377312");
    return 0;
}
