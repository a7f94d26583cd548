#!/usr/bin/env bash
# usage: fetch_kernel.sh KERNEL_FOLDER — Debian's kernel for the test guest,
# fetched once.
export GUEST_KERNEL=$1
source "$(dirname "$0")/guest.sh"
guest_fetch_kernel
