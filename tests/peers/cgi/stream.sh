#!/bin/sh
# Replies with the first QUERY_STRING bytes of www/big.bin, with no length: the server chunks it.
case "$QUERY_STRING" in
  '' | *[!0-9]*)
    printf 'Status: 400\r\nContent-Type: text/plain\r\n\r\nbad size\n'
    exit 0
    ;;
esac
printf 'Content-Type: application/octet-stream\r\n\r\n'
exec head -c "$QUERY_STRING" "${SCRIPT_FILENAME%/cgi/*}/www/big.bin"
