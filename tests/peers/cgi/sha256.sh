#!/bin/sh
# Replies with the SHA-256 of the request body as it arrived and the length the server passed on.
sum=$(head -c "${CONTENT_LENGTH:-0}" | sha256sum)
printf 'Content-Type: text/plain\r\n\r\n%s %s\n' "${sum%% *}" "${CONTENT_LENGTH:-none}"
