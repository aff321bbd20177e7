#!/bin/sh
# Stands in for objdump -p on an image that imports one function newer than
# Windows 2000, so that the import check is seen to refuse it.
printf '\tDLL Name: KERNEL32.dll\n\tvma:  Hint/Ord Member-Name Bound-To\n'
printf '\t402f4\t  136  CloseHandle\n\t40302\t  719  GetTickCount64\n'
