#include "tests/gps/LineProbe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool ProbeLine(int fd, ProbedLine& out)
{
    struct termios2 line {};
    if (ioctl(fd, TCGETS2, &line) != 0)
        return false;
    out.cflag = line.c_cflag;
    out.iflag = line.c_iflag;
    out.lflag = line.c_lflag;
    out.ospeed = line.c_ospeed;
    out.otherRate = (line.c_cflag & CBAUD) == BOTHER;
    return true;
}
